#include "portalhotkeybackend.h"

#include "logging.h"
#include "portalrequest.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusMetaType>
#include <QTimer>

namespace {
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
// Binding may show the user a dialog; the answer can take that long.
constexpr int BindTimeoutMs = 5 * 60 * 1000;

/// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}
}

Q_DECLARE_METATYPE(PortalShortcut)

std::unique_ptr<PortalHotKeyBackend> PortalHotKeyBackend::create(Listener listener)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    return std::unique_ptr<PortalHotKeyBackend>(new PortalHotKeyBackend(std::move(listener)));
}

PortalHotKeyBackend::PortalHotKeyBackend(Listener listener)
    : m_listener(std::move(listener))
{
    // Activated(o session, s id, t timestamp, a{sv} options), taken whole.
    QDBusConnection::sessionBus().connect(PortalRequest::service(), PortalRequest::objectPath(), ShortcutsInterface,
                                          QStringLiteral("Activated"), this, SLOT(handleActivated(QDBusMessage)));
}

PortalHotKeyBackend::~PortalHotKeyBackend()
{
    closeSession();
}

QString PortalHotKeyBackend::triggerText(int qtKey, int qtMods)
{
    QString key;
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        key = QChar(QLatin1Char(char('a' + (qtKey - Qt::Key_A))));
    else if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        key = QChar(QLatin1Char(char('0' + (qtKey - Qt::Key_0))));
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        key = QStringLiteral("F%1").arg(qtKey - Qt::Key_F1 + 1);
    else if (qtKey == Qt::Key_Print)
        key = QStringLiteral("Print");
    if (key.isEmpty())
        return QString();
    QStringList parts;
    if (qtMods & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (qtMods & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (qtMods & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (qtMods & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

quint32 PortalHotKeyBackend::nativeKey(int qtKey) const
{
    return triggerText(qtKey, 0).isEmpty() ? 0 : quint32(qtKey);
}

quint32 PortalHotKeyBackend::nativeModifiers(int qtMods) const
{
    return quint32(qtMods) & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

bool PortalHotKeyBackend::registerHotKey(quint32 nativeKey, quint32 nativeMods)
{
    const QString trigger = triggerText(int(nativeKey), int(nativeMods));
    if (trigger.isEmpty() || m_refused)
        return false;
    // The id names the key, so the same key keeps its id across starts and
    // the desktop remembers what the user made of it.
    m_keys.insert(QStringLiteral("velmonote-") + trigger.toLower().replace(QLatin1Char('+'), QLatin1Char('-')),
                  Key(nativeKey, nativeMods));
    scheduleBinding();
    return true;
}

bool PortalHotKeyBackend::unregisterHotKey(quint32 nativeKey, quint32 nativeMods)
{
    const QString id = m_keys.key(Key(nativeKey, nativeMods));
    if (id.isEmpty())
        return false;
    m_keys.remove(id);
    // A session cannot drop a key; one without keys is simply closed.
    if (m_keys.isEmpty())
        closeSession();
    else
        scheduleBinding();
    return true;
}

void PortalHotKeyBackend::scheduleBinding()
{
    // Keys registered together reach the portal in one call.
    if (m_bindScheduled)
        return;
    m_bindScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_bindScheduled = false;
        bindKeys();
    });
}

QVariant PortalHotKeyBackend::shortcutList() const
{
    QList<PortalShortcut> list;
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it) {
        const QString trigger = triggerText(int(it.value().first), int(it.value().second));
        list << PortalShortcut{it.key(),
                               {{QStringLiteral("description"), tr("截图 (%1)").arg(trigger)},
                                {QStringLiteral("preferred_trigger"), trigger}}};
    }
    return QVariant::fromValue(list);
}

void PortalHotKeyBackend::bindKeys()
{
    if (m_keys.isEmpty() || m_creating || m_refused)
        return;
    if (m_session.isEmpty()) {
        m_creating = true;
        const QString token = QStringLiteral("velmonote%1").arg(quintptr(this) & 0xffffff, 0, 16);
        const QVariantMap options{{QStringLiteral("session_handle_token"), token},
                                  {QStringLiteral("shortcuts"), shortcutList()}};
        auto *request = PortalRequest::call(ShortcutsInterface, QStringLiteral("CreateSession"), {}, options,
                                            BindTimeoutMs, this);
        connect(request, &PortalRequest::failed, this, [this](const QString &reason) {
            m_creating = false;
            // The bus's own words are for the log; the user reads plain ones.
            qCWarning(lcCapture).noquote() << "GlobalShortcuts portal: CreateSession failed:" << reason;
            refuse(tr("桌面没有全局快捷键服务"));
        });
        connect(request, &PortalRequest::answered, this, [this](uint response, const QVariantMap &results) {
            m_creating = false;
            m_session = results.value(QStringLiteral("session_handle")).toString();
            if (response != PortalRequest::Success || m_session.isEmpty()) {
                m_session.clear();
                refuse(tr("桌面拒绝了全局快捷键"));
                return;
            }
            bindKeys();
        });
        return;
    }
    auto *request = PortalRequest::call(
        ShortcutsInterface, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), shortcutList(), QString()}, {}, BindTimeoutMs, this);
    connect(request, &PortalRequest::failed, this,
            [this](const QString &reason) {
                qCWarning(lcCapture).noquote() << "GlobalShortcuts portal: BindShortcuts failed:" << reason;
                refuse(tr("桌面没有绑定快捷键"));
            });
    connect(request, &PortalRequest::answered, this, [this](uint response, const QVariantMap &) {
        if (response != PortalRequest::Success)
            refuse(response == PortalRequest::Cancelled ? tr("快捷键的设置被取消") : tr("桌面拒绝了全局快捷键"));
    });
}

void PortalHotKeyBackend::refuse(const QString &reason)
{
    // One refusal is enough: the keys stay unbound until the next start.
    if (m_refused)
        return;
    m_refused = true;
    reportRefusal(reason);
}

void PortalHotKeyBackend::closeSession()
{
    if (m_session.isEmpty())
        return;
    QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        PortalRequest::service(), m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    m_session.clear();
}

void PortalHotKeyBackend::handleActivated(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2)
        return;
    const QString session = arguments[0].value<QDBusObjectPath>().path();
    const QString shortcutId = arguments[1].toString();
    if (session.isEmpty() || session != m_session || !m_keys.contains(shortcutId))
        return;
    const Key key = m_keys.value(shortcutId);
    m_listener(key.first, key.second);
}
