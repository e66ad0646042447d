#include "x11hotkeybackend.h"

#include "xcbreply.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>

// X headers last: Xlib defines macros (None, Bool, KeyPress...) that clash
// with Qt names.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

constexpr quint32 HotKeyModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

// Caps Lock and Num Lock change the state X reports with a key, so a grab
// without them would only fire with both locks off.
constexpr quint32 LockCombinations[] = {
    0,
    XCB_MOD_MASK_LOCK,
    XCB_MOD_MASK_2,
    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2,
};

} // namespace

std::unique_ptr<X11HotKeyBackend> X11HotKeyBackend::create(Listener listener)
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !x11->display())
        return nullptr;
    QList<quint32> roots;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(x11->connection())); it.rem; xcb_screen_next(&it))
        roots << it.data->root;
    if (roots.isEmpty())
        return nullptr;
    return std::unique_ptr<X11HotKeyBackend>(
        new X11HotKeyBackend(std::move(listener), x11->connection(), x11->display(), std::move(roots)));
}

X11HotKeyBackend::X11HotKeyBackend(Listener listener, xcb_connection_t *connection, Display *display,
                                   QList<quint32> roots)
    : m_listener(std::move(listener))
    , m_connection(connection)
    , m_display(display)
    , m_roots(std::move(roots))
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyBackend::~X11HotKeyBackend()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
    // Keys still held here would stay grabbed until the program exits.
    for (const Grab &grab : std::as_const(m_grabs))
        ungrabEverywhere(grab.keycode, grab.mods);
}

quint32 X11HotKeyBackend::keySym(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return XK_0 + quint32(qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return XK_a + quint32(qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return XK_F1 + quint32(qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Space:
        return XK_space;
    // The punctuation keys of the table are the keypad's operator keys.
    case Qt::Key_Asterisk:
        return XK_KP_Multiply;
    case Qt::Key_Plus:
        return XK_KP_Add;
    case Qt::Key_Comma:
        return XK_KP_Separator;
    case Qt::Key_Minus:
        return XK_KP_Subtract;
    case Qt::Key_Slash:
        return XK_KP_Divide;
    case Qt::Key_Escape:
        return XK_Escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return XK_Tab;
    case Qt::Key_Backspace:
        return XK_BackSpace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return XK_Return;
    case Qt::Key_Insert:
        return XK_Insert;
    case Qt::Key_Delete:
        return XK_Delete;
    case Qt::Key_Pause:
        return XK_Pause;
    case Qt::Key_Print:
        return XK_Print;
    case Qt::Key_Clear:
        return XK_Clear;
    case Qt::Key_Home:
        return XK_Home;
    case Qt::Key_End:
        return XK_End;
    case Qt::Key_Left:
        return XK_Left;
    case Qt::Key_Up:
        return XK_Up;
    case Qt::Key_Right:
        return XK_Right;
    case Qt::Key_Down:
        return XK_Down;
    case Qt::Key_PageUp:
        return XK_Prior;
    case Qt::Key_PageDown:
        return XK_Next;
    default:
        return 0;
    }
}

quint32 X11HotKeyBackend::modifierMask(int qtMods)
{
    quint32 mask = 0;
    if (qtMods & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (qtMods & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (qtMods & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (qtMods & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

quint32 X11HotKeyBackend::nativeKey(int qtKey) const
{
    return keySym(qtKey);
}

quint32 X11HotKeyBackend::nativeModifiers(int qtMods) const
{
    return modifierMask(qtMods);
}

int X11HotKeyBackend::findGrab(quint32 keySym, quint32 mods) const
{
    for (int i = 0; i < m_grabs.size(); ++i) {
        if (m_grabs.at(i).keySym == keySym && m_grabs.at(i).mods == mods)
            return i;
    }
    return -1;
}

bool X11HotKeyBackend::registerHotKey(quint32 nativeKey, quint32 nativeMods)
{
    // Key code 0 is AnyKey to X: grabbing it would take every key pressed
    // with these modifiers away from all other programs.
    if (nativeKey == 0 || xcb_connection_has_error(m_connection))
        return false;
    // Held already by another hot key of this program.
    if (findGrab(nativeKey, nativeMods) >= 0)
        return false;
    const KeyCode keycode = XKeysymToKeycode(m_display, KeySym(nativeKey));
    if (keycode == 0)
        return false;

    // Send every grab (four per screen), then collect their answers: one round trip.
    const qsizetype count = m_roots.size() * qsizetype(std::size(LockCombinations));
    QList<xcb_void_cookie_t> cookies;
    cookies.reserve(count);
    for (quint32 root : std::as_const(m_roots)) {
        for (quint32 lock : LockCombinations) {
            cookies << xcb_grab_key_checked(m_connection, 0, root, quint16(nativeMods | lock), keycode,
                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        }
    }
    QList<bool> grabbed(count, false);
    bool all = true;
    for (qsizetype i = 0; i < count; ++i) {
        // BadAccess here means another client holds this combination.
        const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookies[i]));
        grabbed[i] = !error;
        all = all && grabbed[i];
    }
    if (!all) {
        // All or nothing: a key that works only with some locks on, or only
        // on some screens, would look broken, and the combinations we did
        // get would block others.
        for (qsizetype i = 0; i < count; ++i) {
            if (grabbed[i]) {
                const qsizetype locks = qsizetype(std::size(LockCombinations));
                ungrab(m_roots.at(i / locks), keycode, nativeMods, LockCombinations[i % locks]);
            }
        }
        return false;
    }
    m_grabs.append(Grab{nativeKey, nativeMods, keycode});
    return true;
}

bool X11HotKeyBackend::unregisterHotKey(quint32 nativeKey, quint32 nativeMods)
{
    const int index = findGrab(nativeKey, nativeMods);
    if (index < 0)
        return false;
    const Grab grab = m_grabs.takeAt(index);
    return ungrabEverywhere(grab.keycode, grab.mods);
}

bool X11HotKeyBackend::ungrabEverywhere(quint8 keycode, quint32 mods) const
{
    bool ok = true;
    for (quint32 root : m_roots) {
        for (quint32 lock : LockCombinations)
            ok = ungrab(root, keycode, mods, lock) && ok;
    }
    return ok;
}

bool X11HotKeyBackend::ungrab(quint32 root, quint8 keycode, quint32 mods, quint32 lockMask) const
{
    if (xcb_connection_has_error(m_connection))
        return false;
    const xcb_void_cookie_t cookie =
        xcb_ungrab_key_checked(m_connection, keycode, root, quint16(mods | lockMask));
    return !XcbReply<xcb_generic_error_t>(xcb_request_check(m_connection, cookie));
}

bool X11HotKeyBackend::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    // The grab reports the key on the root window of the screen the pointer
    // is on; while one of our popups
    // holds the keyboard it arrives at that popup instead. Either way it is
    // ours only if we grabbed exactly this key and these modifiers.
    const quint32 mods = press->state & HotKeyModifiers;
    const int index = [&] {
        for (int i = 0; i < m_grabs.size(); ++i) {
            if (m_grabs.at(i).keycode == press->detail && m_grabs.at(i).mods == mods)
                return i;
        }
        return -1;
    }();
    if (index < 0)
        return false;
    // The listener may run a nested event loop (the capture overlay) that
    // deletes this backend: take what it needs first, touch nothing after.
    const Grab grab = m_grabs.at(index);
    const Listener listener = m_listener;
    listener(grab.keySym, grab.mods);
    return false;
}
