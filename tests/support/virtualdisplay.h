#pragma once

#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>

#include <initializer_list>
#include <optional>

// Ends process, asking it to quit first.
void stopProcess(QProcess &process);

// The number xwininfo printed after "label:", or -1.
int xwininfoField(const QByteArray &xwininfo, const char *label);
// The client area's place on the screen, as xwininfo printed it.
QRect xwininfoClientRect(const QByteArray &xwininfo);

// Whether window lies centred on a screen at 0, 0: to half a pixel across,
// since an odd difference in width cannot be halved.
bool isCentredOn(const QRect &window, QSize screen);

// A private X server (Xvfb) on a display number of its own, and the X tools
// that drive windows on it.
class VirtualDisplay
{
public:
    ~VirtualDisplay();

    // Starts the server, once Xvfb and the tools the caller drives it with
    // are on PATH. An empty string when it runs, otherwise why it does not.
    QString start(QSize screen, std::initializer_list<const char *> tools);
    // ":N", for DISPLAY.
    QString name() const { return m_name; }

    // Runs an X client tool (xdotool, xwininfo) on this display and returns
    // what it printed, nothing when it failed.
    std::optional<QByteArray> runTool(const QString &program, const QStringList &arguments) const;
    // The ids of the visible windows whose name matches the pattern, of the
    // process with that id or, for 0, of any.
    QStringList visibleWindows(const QString &namePattern, qint64 pid = 0) const;
    // The first of them, or an empty string while there is none.
    QString visibleWindow(const QString &namePattern) const;
    // The first such window of program once it shows one; an empty string
    // if program ends or timeoutMs passes first.
    QString waitForWindow(const QString &namePattern, QProcess &program, int timeoutMs) const;

    // Sends WM_DELETE_WINDOW, as a window manager's close button does.
    bool askToClose(quint64 window) const;

private:
    QProcess m_server;
    QString m_name;
};
