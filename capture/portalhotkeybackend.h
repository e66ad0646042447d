#pragma once

#include "hotkeybackend.h"

#include <QDBusMessage>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QVariantMap>

/// Global hot keys through the desktop's shortcut portal
/// (org.freedesktop.portal.GlobalShortcuts), the only global keys a Wayland
/// desktop offers a program.
///
/// Native keys are Qt key codes and native modifiers Qt's modifier bits: the
/// portal takes keys as text ("CTRL+ALT+c"), which triggerText() writes. The
/// portal answers later, so registerHotKey() accepts every key it can write
/// and a refusal (no portal, the desktop or the user said no) arrives through
/// the refusal listener. The keys are bound in one portal session, asked for
/// both at its creation (some desktops bind only those) and by BindShortcuts.
class PortalHotKeyBackend : public QObject, public HotKeyBackend
{
    Q_OBJECT
public:
    static std::unique_ptr<PortalHotKeyBackend> create(Listener listener);
    ~PortalHotKeyBackend() override;

    /// The portal's text for a key: modifiers CTRL, ALT, SHIFT, LOGO joined
    /// by '+', then the key's name; empty when the key has no name here.
    static QString triggerText(int qtKey, int qtMods);

    quint32 nativeKey(int qtKey) const override;
    quint32 nativeModifiers(int qtMods) const override;
    bool registerHotKey(quint32 nativeKey, quint32 nativeMods) override;
    bool unregisterHotKey(quint32 nativeKey, quint32 nativeMods) override;

private slots:
    void handleActivated(const QDBusMessage &message);

private:
    using Key = QPair<quint32, quint32>;

    explicit PortalHotKeyBackend(Listener listener);
    void scheduleBinding();
    void bindKeys();
    QVariant shortcutList() const;
    void refuse(const QString &reason);
    void closeSession();

    Listener m_listener;
    QMap<QString, Key> m_keys; ///< shortcut id -> the key it stands for
    QString m_session;         ///< the portal session's path, once created
    bool m_creating = false;
    bool m_bindScheduled = false;
    bool m_refused = false;
};
