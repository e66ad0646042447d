#pragma once

#include <QString>

#include <functional>
#include <memory>

/// The operating system's side of the global hot keys: translating Qt keys
/// and modifiers to native codes, registering and unregistering a native key
/// with the system, and reporting the pressed ones.
///
/// A backend reports a pressed hot key by calling its listener with the same
/// native codes it was registered with. It must see the system's reports in
/// every event loop of the GUI thread, nested ones included, so it lives on
/// and is used from the GUI thread only. An X11 backend and one for the
/// desktop's shortcut portal (Wayland) are built here; a Windows one
/// (RegisterHotKey) would sit beside them behind this interface.
///
/// A system that answers later (the portal) accepts a key at first and
/// reports a refusal afterwards through the refusal listener.
class HotKeyBackend
{
public:
    using Listener = std::function<void(quint32 nativeKey, quint32 nativeMods)>;
    using RefusalListener = std::function<void(const QString &reason)>;
    using Factory = std::function<std::unique_ptr<HotKeyBackend>(Listener)>;

    virtual ~HotKeyBackend();

    /// Native key for a Qt key code without modifier bits; 0 when there is none.
    virtual quint32 nativeKey(int qtKey) const = 0;
    /// Native modifier flags for Qt's Shift, Control, Alt and Meta bits.
    virtual quint32 nativeModifiers(int qtMods) const = 0;
    /// Asks the system for the key; false when it refused (or there is no key).
    virtual bool registerHotKey(quint32 nativeKey, quint32 nativeMods) = 0;
    /// Gives the key back; false when the system reported an error.
    virtual bool unregisterHotKey(quint32 nativeKey, quint32 nativeMods) = 0;

    /// Where a refusal that comes after registerHotKey() returned goes; the
    /// reason is in the user's words.
    void setRefusalListener(RefusalListener listener);

    /// The backend for the session the application runs in (the shortcut
    /// portal on a Wayland desktop, a key grab on X11), or null where this
    /// program has none (then no hot key can be registered).
    static std::unique_ptr<HotKeyBackend> createNative(Listener listener);

protected:
    void reportRefusal(const QString &reason) const;

private:
    RefusalListener m_refusalListener;
};
