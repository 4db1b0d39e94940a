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
    return m_lock.acquire(InstanceLock::defaultFolders());
}

QSizeF SystemPlatform::screenSizeTwips() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return QSizeF(screen->size()) * TwipsPerPixel;
}
