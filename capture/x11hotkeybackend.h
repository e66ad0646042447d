#pragma once

#include "hotkeybackend.h"

#include <QAbstractNativeEventFilter>
#include <QList>

struct xcb_connection_t;
struct _XDisplay;

/// Global hot keys on X11: a passive key grab on the root window of every
/// screen of the display (with separate X screens the keyboard follows the
/// pointer onto each of them), and a native event filter that recognises the
/// grabbed key presses.
///
/// Native keys are X key symbols, native modifiers X modifier masks (Shift,
/// Control, Mod1 = Alt, Mod4 = Meta/Super). Each key is grabbed four times,
/// plain and with Caps Lock, Num Lock and both, so that it works whatever
/// locks are on; the grab is all or nothing, over every screen. The filter is installed on the
/// application for as long as the backend lives and sees the xcb events of
/// every event loop of the GUI thread, modal dialogs included.
class X11HotKeyBackend : public HotKeyBackend, public QAbstractNativeEventFilter
{
public:
    /// Null unless the application runs on the xcb platform.
    static std::unique_ptr<X11HotKeyBackend> create(Listener listener);
    ~X11HotKeyBackend() override;

    /// The key table: Qt key code to X key symbol, 0 for keys it lacks.
    static quint32 keySym(int qtKey);
    /// Qt Shift, Control, Alt, Meta bits to the X modifier mask.
    static quint32 modifierMask(int qtMods);

    quint32 nativeKey(int qtKey) const override;
    quint32 nativeModifiers(int qtMods) const override;
    bool registerHotKey(quint32 nativeKey, quint32 nativeMods) override;
    bool unregisterHotKey(quint32 nativeKey, quint32 nativeMods) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Grab
    {
        quint32 keySym;
        quint32 mods;
        quint8 keycode;
    };

    X11HotKeyBackend(Listener listener, xcb_connection_t *connection, _XDisplay *display, QList<quint32> roots);
    int findGrab(quint32 keySym, quint32 mods) const;
    bool ungrab(quint32 root, quint8 keycode, quint32 mods, quint32 lockMask) const;
    bool ungrabEverywhere(quint8 keycode, quint32 mods) const;

    Listener m_listener;
    xcb_connection_t *m_connection;
    _XDisplay *m_display;
    QList<quint32> m_roots;
    QList<Grab> m_grabs;
};
