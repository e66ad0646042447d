#include "globalshortcutprivate.h"
#include "logging.h"

#include "globalshortcut.h"

#include <QCoreApplication>
#include <QDebug>
#include <QKeySequence>
#include <QMetaObject>

namespace {
// Qt's Shift, Control, Alt and Meta bits. The keypad and group-switch bits
// stay with the key, which then translates to no native key.
constexpr int ModifierMask = int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);

QString portableText(int key, int mods)
{
    return QKeySequence(key | mods).toString(QKeySequence::PortableText);
}
}

int GlobalShortcutPrivate::liveCount = 0;
QHash<GlobalShortcutPrivate::NativePair, GlobalShortcut *> GlobalShortcutPrivate::hotKeyTable;

std::weak_ptr<HotKeyBackend> &GlobalShortcutPrivate::sharedBackend()
{
    static std::weak_ptr<HotKeyBackend> current;
    return current;
}

HotKeyBackend::Factory &GlobalShortcutPrivate::factory()
{
    static HotKeyBackend::Factory current;
    return current;
}

void GlobalShortcutPrivate::setBackendFactory(HotKeyBackend::Factory newFactory)
{
    factory() = std::move(newFactory);
}

HotKeyBackend *GlobalShortcutPrivate::nativeBackend()
{
    return sharedBackend().lock().get();
}

GlobalShortcutPrivate::GlobalShortcutPrivate()
{
    // The first hot key starts listening to the system; the last one stops.
    if (liveCount++ == 0) {
        m_backend = factory() ? factory()(&GlobalShortcutPrivate::fireHotKey)
                              : HotKeyBackend::createNative(&GlobalShortcutPrivate::fireHotKey);
        if (m_backend)
            m_backend->setRefusalListener(&GlobalShortcutPrivate::refuseAll);
        sharedBackend() = m_backend;
    } else {
        m_backend = sharedBackend().lock();
    }
}

GlobalShortcutPrivate::~GlobalShortcutPrivate()
{
    // An entry left behind by a sequence that was never unbound (an empty
    // one) must not point at a deleted object.
    for (auto it = hotKeyTable.begin(); it != hotKeyTable.end();) {
        if (it.value() == publicObject)
            it = hotKeyTable.erase(it);
        else
            ++it;
    }
    // The last one's m_backend ends the mechanism.
    --liveCount;
}

quint32 GlobalShortcutPrivate::toNativeKey(int key) const
{
    return m_backend ? m_backend->nativeKey(key) : 0;
}

quint32 GlobalShortcutPrivate::toNativeMods(int mods) const
{
    return m_backend ? m_backend->nativeModifiers(mods) : 0;
}

bool GlobalShortcutPrivate::bindHotKey(const QKeySequence &shortcut)
{
    if (shortcut.isEmpty()) {
        qtKey = 0;
        qtMods = 0;
    } else {
        const int combined = shortcut[0].toCombined();
        qtKey = combined & ~ModifierMask;
        qtMods = combined & ModifierMask;
    }
    const quint32 nativeKey = toNativeKey(qtKey);
    const quint32 nativeMods = toNativeMods(qtMods);
    const bool ok = m_backend && m_backend->registerHotKey(nativeKey, nativeMods);
    hotKeyTable.insert(NativePair(nativeKey, nativeMods), publicObject);
    if (ok || qtKey == 0) {
        if (!ok)
            qCWarning(lcCapture).noquote() << "GlobalShortcut failed to register:" << portableText(qtKey, qtMods);
        return ok;
    }
    if (!m_backend)
        reportUnavailable(QCoreApplication::translate("GlobalShortcut", "这个桌面不提供全局热键"));
    else if (nativeKey == 0)
        reportUnavailable(QCoreApplication::translate("GlobalShortcut", "这个按键不能用作全局热键"));
    else
        reportUnavailable(QCoreApplication::translate("GlobalShortcut", "另一个程序已占用这个按键"));
    return ok;
}

bool GlobalShortcutPrivate::unbindHotKey()
{
    const quint32 nativeKey = toNativeKey(qtKey);
    const quint32 nativeMods = toNativeMods(qtMods);
    const bool ok = m_backend && m_backend->unregisterHotKey(nativeKey, nativeMods);
    hotKeyTable.remove(NativePair(nativeKey, nativeMods));
    if (!ok)
        qCWarning(lcCapture).noquote() << "GlobalShortcut failed to unregister:" << portableText(qtKey, qtMods);
    qtKey = 0;
    qtMods = 0;
    return ok;
}

void GlobalShortcutPrivate::reportUnavailable(const QString &reason) const
{
    qCWarning(lcCapture).noquote() << "GlobalShortcut failed to register:" << portableText(qtKey, qtMods);
    GlobalShortcut *shortcut = publicObject;
    QMetaObject::invokeMethod(shortcut, [shortcut, reason] { emit shortcut->unavailable(reason); },
                              Qt::QueuedConnection);
}

void GlobalShortcutPrivate::refuseAll(const QString &reason)
{
    const QList<GlobalShortcut *> shortcuts = hotKeyTable.values();
    for (GlobalShortcut *shortcut : shortcuts)
        shortcut->d->reportUnavailable(reason);
}

void GlobalShortcutPrivate::fireHotKey(quint32 nativeKey, quint32 nativeMods)
{
    if (hotKeyTable.isEmpty())
        return;
    GlobalShortcut *shortcut = hotKeyTable.value(NativePair(nativeKey, nativeMods));
    if (shortcut && shortcut->isEnabled())
        emit shortcut->activated();
}
