#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

/// Says when a few folders may have changed: inotify through
/// QFileSystemWatcher, calmed down so a burst of writes (a sync tool
/// renaming its temporary files into place) gives one changed(), and a slow
/// poll as a safety net, because inotify misses changes on some file systems
/// (network mounts, some FUSE folders) and a watched folder that is removed
/// and made again is no longer watched.
class FolderWatcher : public QObject
{
    Q_OBJECT
public:
    explicit FolderWatcher(QObject *parent = nullptr);

    /// Watches folders (made again when they come back); starts the poll.
    void watch(const QStringList &folders);
    void stop();

    static constexpr int SettleMs = 250;
    static constexpr int PollMs = 3000;

signals:
    /// Something in a watched folder may have changed (or the poll came round).
    void changed();

private:
    void rewatch();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_poll;
    QStringList m_folders;
};
