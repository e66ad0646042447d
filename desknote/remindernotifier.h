#pragma once

#include <QObject>
#include <QString>

/// Tells the desktop that a note's reminder rings, so a user who was away
/// sees which note rang: a notification through the desktop's notification
/// server (org.freedesktop.Notifications on the session bus). Where there
/// is none, or it refuses, unavailable() asks the window to show the same
/// text another way (the tray balloon).
class ReminderNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /// The summary the notification shows for the note named name.
    static QString summaryFor(const QString &name);
    /// Sends the notification; answers come back asynchronously.
    void notify(const QString &name);

signals:
    /// No notification server took it: title and text for another way.
    void unavailable(const QString &title, const QString &text);
};
