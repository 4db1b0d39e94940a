#include "x11frame.h"

#ifdef VP_X11

#    include <QGuiApplication>
#    include <QWindow>

#    include <algorithm>
#    include <cstdlib>
#    include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto cookie = xcb_intern_atom(connection, false, uint16_t(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// A window manager that follows the common conventions marks the root
// window with this property; one that is not running cannot frame us.
bool managerRuns(xcb_connection_t *connection)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t check = internAtom(connection, "_NET_SUPPORTING_WM_CHECK");
    const auto cookie
        = xcb_get_property(connection, false, root, check, XCB_GET_PROPERTY_TYPE_ANY, 0, 1);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr);
    const bool runs = reply && reply->type != XCB_NONE;
    std::free(reply);
    return runs;
}

} // namespace

std::unique_ptr<X11Frame> X11Frame::watch(const QWindow &window, std::function<void()> changed)
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return nullptr;
    std::unique_ptr<X11Frame> frame(new X11Frame);
    frame->m_connection = x11->connection();
    frame->m_window = quint32(window.winId());
    frame->m_atom = internAtom(x11->connection(), "_NET_FRAME_EXTENTS");
    frame->m_managed = managerRuns(x11->connection());
    frame->m_changed = std::move(changed);
    qGuiApp->installNativeEventFilter(frame.get());
    return frame;
}

bool X11Frame::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *property = static_cast<const xcb_property_notify_event_t *>(message);
    if (property->window != m_window || property->atom != m_atom)
        return false;
    const QMargins margins = readMargins();
    if (!m_announced || margins != m_margins) {
        m_announced = true;
        m_margins = margins;
        m_changed();
    }
    return false;
}

// Left, right, top, bottom. X sizes are 16-bit: anything larger is no frame.
QMargins X11Frame::readMargins() const
{
    auto *connection = static_cast<xcb_connection_t *>(m_connection);
    const auto cookie
        = xcb_get_property(connection, false, m_window, m_atom, XCB_ATOM_CARDINAL, 0, 4);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr);
    QMargins margins;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto *extents = static_cast<const quint32 *>(xcb_get_property_value(reply));
        if (std::all_of(extents, extents + 4, [](quint32 extent) { return extent <= 0xffff; }))
            margins = QMargins(int(extents[0]), int(extents[2]), int(extents[1]), int(extents[3]));
    }
    std::free(reply);
    return margins;
}

#else

std::unique_ptr<X11Frame> X11Frame::watch(const QWindow &, std::function<void()>)
{
    return nullptr;
}

bool X11Frame::nativeEventFilter(const QByteArray &, void *, qintptr *)
{
    return false;
}

QMargins X11Frame::readMargins() const
{
    return {};
}

#endif
