#include "sarvikform.h"
#include "sdlaudiooutput.h"
#include "soundbits.h"
#include "systemplatform.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SystemPlatform platform;
    // Declared before the window, so it outlives the window and shuts the
    // sound device down as main returns, not among the static destructors.
    SdlAudioOutput engine;
    SoundBits sound(engine, QCoreApplication::applicationDirPath());
    SarvikForm form(platform, sound);
    if (!form.load())
        return 0;
    return app.exec();
}
