#include "deferredaudiooutput.h"
#include "sarvikform.h"
#include "soundbits.h"
#include "systemplatform.h"

#include <QApplication>
#include <QDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SystemPlatform platform;
    const QString programFolder = QCoreApplication::applicationDirPath();
    // Declared before the window, so it outlives the window and shuts the
    // sound device down as main returns, not among the static destructors.
    DeferredAudioOutput engine(QDir(programFolder).filePath("voice-player-sound"));
    SoundBits sound(engine, programFolder);
    SarvikForm form(platform, sound);
    if (!form.load())
        return 0;
    return app.exec();
}
