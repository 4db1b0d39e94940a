#include "virtualdisplay.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QStandardPaths>

#include <X11/Xlib.h>

namespace {

// The first of tools that is not on PATH, or an empty string.
QString firstMissingTool(std::initializer_list<const char *> tools)
{
    for (const char *tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool;
    }
    return {};
}

} // namespace

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

bool isCentredOn(const QRect &window, QSize screen)
{
    return qAbs(2 * window.left() - (screen.width() - window.width())) <= 1
        && window.top() == (screen.height() - window.height()) / 2;
}

VirtualDisplay::~VirtualDisplay()
{
    stopProcess(m_server);
}

QString VirtualDisplay::start(QSize screen, std::initializer_list<const char *> tools)
{
    QString missing = firstMissingTool({ "Xvfb" });
    if (missing.isEmpty())
        missing = firstMissingTool(tools);
    if (!missing.isEmpty())
        return missing + " is not installed";
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

QStringList VirtualDisplay::visibleWindows(const QString &namePattern, qint64 pid) const
{
    // --all: every criterion must match, not just one of them. The pattern
    // comes last.
    QStringList arguments { "search", "--onlyvisible", "--all" };
    if (pid != 0)
        arguments += { "--pid", QString::number(pid) };
    arguments += { "--name", namePattern };
    // xdotool fails while nothing matches.
    const auto found = runTool("xdotool", arguments);
    return QString::fromLatin1(found.value_or("")).split('\n', Qt::SkipEmptyParts);
}

QString VirtualDisplay::visibleWindow(const QString &namePattern) const
{
    return visibleWindows(namePattern).value(0);
}

QString VirtualDisplay::waitForWindow(const QString &namePattern, QProcess &program,
                                      int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const qint64 pid = program.processId();
        if (pid == 0)
            return {}; // ended
        const QString window = visibleWindows(namePattern, pid).value(0);
        if (!window.isEmpty() || deadline.hasExpired())
            return window;
        // A pause that ends early if the program does.
        if (program.waitForFinished(50))
            return {};
    }
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
