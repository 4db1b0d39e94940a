#pragma once

#include "instancelock.h"
#include "platform.h"

// The real system: the toolkit's beep, a lock file, the primary screen and
// the sound module.
class SystemPlatform : public Platform
{
public:
    void beep() override;
    InstanceCheck checkInstance() override;
    QSizeF screenSizeTwips() const override;
    void playSample(const QString &name, int flags) override;

private:
    InstanceLock m_lock;
};
