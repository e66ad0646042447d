#pragma once

#include "hotkeybackend.h"
#include "privatebase.h"

#include <QHash>
#include <QPair>

#include <memory>

class GlobalShortcut;
class QKeySequence;

/// The working state of one GlobalShortcut, and the state all hot keys of
/// the process share: how many exist, the native mechanism that reports keys
/// while at least one exists (owned by the hot keys together), and which
/// object a reported key belongs to.
///
/// All of it is used from the GUI thread only, unguarded.
class GlobalShortcutPrivate : public PrivateBase<GlobalShortcut>
{
public:
    using NativePair = QPair<quint32, quint32>;

    GlobalShortcutPrivate();
    ~GlobalShortcutPrivate() override;

    /// Registers the first key of the sequence with the system and enters it
    /// in the table (even when the system refused it). Warns on refusal.
    bool bindHotKey(const QKeySequence &shortcut);
    /// Gives the key back and clears the table entry and the key fields
    /// (even when the system reported an error). Warns on error.
    bool unbindHotKey();

    quint32 toNativeKey(int key) const;
    quint32 toNativeMods(int mods) const;
    /// A reported hot key: emits activated() of the enabled object it belongs to.
    static void fireHotKey(quint32 nativeKey, quint32 nativeMods);
    /// A refusal the system sent later: every bound key is unavailable.
    static void refuseAll(const QString &reason);

    /// Replaces the native mechanism for hot keys created from now on while
    /// none exists (tests use a fake); an empty factory restores the platform's.
    static void setBackendFactory(HotKeyBackend::Factory factory);
    /// The mechanism in use, null while no hot key exists (or none is available).
    static HotKeyBackend *nativeBackend();

    bool enabled = true;
    int qtKey = 0;  ///< first key of the sequence without modifiers; 0 = nothing bound
    int qtMods = 0; ///< its Shift, Control, Alt, Meta bits

    static int liveCount;
    static QHash<NativePair, GlobalShortcut *> hotKeyTable;

private:
    /// Warns and emits unavailable() from the event loop.
    void reportUnavailable(const QString &reason) const;

    /// The mechanism every hot key shares: made by the first, ended with
    /// the last (never left to the program's end, after the application).
    std::shared_ptr<HotKeyBackend> m_backend;
    static std::weak_ptr<HotKeyBackend> &sharedBackend();
    static HotKeyBackend::Factory &factory();
};
