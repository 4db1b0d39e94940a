#pragma once

#include <QAbstractNativeEventFilter>
#include <QMargins>

#include <functional>
#include <memory>

class QWindow;

// The frame an X11 window manager draws around a window, as the manager
// announces it in the window's _NET_FRAME_EXTENTS. It does so only once the
// window is shown, before or after the first exposure; until then Qt guesses
// the frame from the window tree (and may guess wrong), and when the
// announcement comes Qt tells the window nothing.
class X11Frame : public QAbstractNativeEventFilter
{
public:
    // Null when the program does not run on X11 (or was built without it).
    // Calls changed at the first announcement and whenever the announced
    // frame changes.
    static std::unique_ptr<X11Frame> watch(const QWindow &window, std::function<void()> changed);

    // Null until a window manager has announced a frame.
    QMargins margins() const { return m_margins; }
    // A window manager runs and has not yet said how wide its frame is.
    bool frameToCome() const { return m_managed && !m_announced; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    X11Frame() = default;
    QMargins readMargins() const;

    void *m_connection = nullptr;
    quint32 m_window = 0;
    quint32 m_atom = 0;
    bool m_managed = false;
    bool m_announced = false;
    QMargins m_margins;
    std::function<void()> m_changed;
};
