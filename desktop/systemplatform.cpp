#include "systemplatform.h"

#include "twips.h"

#include <QApplication>
#include <QScreen>

void SystemPlatform::beep()
{
    QApplication::beep();
}

Platform::InstanceCheck SystemPlatform::checkInstance()
{
    return m_lock.acquire(InstanceLock::defaultFiles());
}

QRectF SystemPlatform::primaryScreenTwips() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRectF pixels = screen->geometry();
    return { pixels.topLeft() * TwipsPerPixel, pixels.size() * TwipsPerPixel };
}
