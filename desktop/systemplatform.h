#pragma once

#include "instancelock.h"
#include "platform.h"

// The real system: the toolkit's beep, a lock file and the primary screen.
class SystemPlatform : public Platform
{
public:
    void beep() override;
    InstanceCheck checkInstance() override;
    QRectF primaryScreenTwips() const override;

private:
    InstanceLock m_lock;
};
