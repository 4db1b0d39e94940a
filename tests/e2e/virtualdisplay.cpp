#include "virtualdisplay.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QStandardPaths>

#include <X11/Xlib.h>

QString firstMissingTool(std::initializer_list<const char *> tools)
{
    for (const char *tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool;
    }
    return {};
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished();
}

int xwininfoField(const QByteArray &xwininfo, const char *label)
{
    const QRegularExpression pattern(QString("%1:\\s*(-?\\d+)").arg(label));
    const auto match = pattern.match(QString::fromLocal8Bit(xwininfo));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QRect xwininfoClientRect(const QByteArray &xwininfo)
{
    const auto field = [&](const char *label) { return xwininfoField(xwininfo, label); };
    return { field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
             field("Height") };
}

VirtualDisplay::~VirtualDisplay()
{
    stopProcess(m_server);
}

QString VirtualDisplay::start(QSize screen)
{
    // -displayfd picks a free display and writes its number to our pipe.
    // -noreset: the server would otherwise start afresh each time its last
    // client leaves, and refuse a program connecting meanwhile.
    const QString depth = QString("%1x%2x24").arg(screen.width()).arg(screen.height());
    m_server.start("Xvfb",
                   { "-displayfd", "1", "-screen", "0", depth, "-nolisten", "tcp", "-noreset" });
    if (!m_server.waitForStarted())
        return "Xvfb cannot be started: " + m_server.errorString();
    const QDeadlineTimer deadline(10000);
    while (!m_server.canReadLine() && m_server.state() == QProcess::Running
           && !deadline.hasExpired())
        m_server.waitForReadyRead(100);
    const QByteArray number = m_server.readLine().trimmed();
    if (number.isEmpty())
        return "Xvfb did not start a display: "
            + QString::fromLocal8Bit(m_server.readAllStandardError());
    m_name = ':' + QString::fromLatin1(number);
    return {};
}

std::optional<QByteArray> VirtualDisplay::runTool(const QString &program,
                                                  const QStringList &arguments) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_name);
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit
        || tool.exitCode() != 0) {
        tool.kill();
        tool.waitForFinished();
        return std::nullopt;
    }
    return tool.readAllStandardOutput();
}

QString VirtualDisplay::visibleWindow(const QString &namePattern) const
{
    // xdotool fails while nothing matches.
    const auto found = runTool("xdotool", { "search", "--onlyvisible", "--name", namePattern });
    return QString::fromLatin1(found.value_or("")).section('\n', 0, 0).trimmed();
}

bool VirtualDisplay::askToClose(quint64 window) const
{
    Display *display = XOpenDisplay(m_name.toLocal8Bit().constData());
    if (!display)
        return false;
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, Window(window), False, NoEventMask, &event) != 0;
    XCloseDisplay(display); // flushes the event out
    return sent;
}
