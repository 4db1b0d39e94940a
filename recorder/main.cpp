#include "importcommand.h"
#include "recorderwindow.h"
#include "sdlaudiooutput.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>

#include <csignal>

int main(int argc, char *argv[])
{
    // Nothing printed unless QT_LOGGING_RULES asks, like the player.
    QLoggingCategory::setFilterRules("*=false");
    // A file-size limit makes a write fail, as a full disk does, rather
    // than end the program with the take in memory.
    std::signal(SIGXFSZ, SIG_IGN);
    if (asksForImport(argc, argv))
        return runImport(argc, argv);
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString folder = QDir(arguments.value(1, QDir::currentPath())).absolutePath();
    RecorderWindow window(folder, std::make_unique<SdlAudioOutput>());
    window.resize(720, 640);
    window.show();
    return app.exec();
}
