#include "deferredaudiooutput.h"
#include "sarvikform.h"
#include "soundbits.h"
#include "systemplatform.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>

int main(int argc, char **argv)
{
    // The program prints nothing by default, neither its own diagnostics
    // nor Qt's (such as the warning about a missing XDG_RUNTIME_DIR that
    // su, ssh and cron give). QT_LOGGING_RULES overrides these rules, so
    // whatever it asks for is printed. Fatal messages always are.
    QLoggingCategory::setFilterRules("*=false");
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
