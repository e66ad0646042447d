#pragma once

#include <QKeySequence>
#include <QObject>

#include <memory>

class GlobalShortcutPrivate;

/// A system-wide hot key: owns one key sequence, registers its first key
/// with the system and emits activated() whenever the system reports it,
/// whatever window has the focus and in whatever event loop the GUI thread
/// runs (modal dialogs included). A key the system refuses, at once or when
/// it answers later, is reported with a warning and by unavailable(), always
/// from the event loop, so a receiver connected right after construction
/// hears it too. Create and use it on the GUI thread, after the application
/// object exists.
class GlobalShortcut : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QKeySequence shortcut READ shortcut WRITE setShortcut)

public:
    GlobalShortcut(const QKeySequence &shortcut, QObject *parent);
    ~GlobalShortcut() override;

    bool isEnabled() const;
    /// The registered key as a one-key sequence (modifiers included).
    QKeySequence shortcut() const;
    /// Gives the current key back, then registers the first key of
    /// shortcut; returns whether the system accepted it.
    bool setShortcut(const QKeySequence &shortcut);

public slots:
    void setEnabled(bool enabled = true);
    void setDisabled(bool disabled = true);

signals:
    void activated();
    /// The system gave no hot key; reason says why in the user's words.
    void unavailable(const QString &reason);

private:
    friend class GlobalShortcutPrivate;
    std::unique_ptr<GlobalShortcutPrivate> d;
};
