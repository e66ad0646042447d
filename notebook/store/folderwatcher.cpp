#include "folderwatcher.h"

#include <QFileInfo>

FolderWatcher::FolderWatcher(QObject *parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    m_poll.setInterval(PollMs);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // Not restarted by later events: a folder that keeps changing is
        // still looked at every SettleMs.
        if (!m_settle.isActive())
            m_settle.start();
    });
    connect(&m_settle, &QTimer::timeout, this, [this] {
        rewatch();
        emit changed();
    });
    connect(&m_poll, &QTimer::timeout, this, [this] {
        rewatch();
        emit changed();
    });
}

void FolderWatcher::watch(const QStringList &folders)
{
    m_folders = folders;
    rewatch();
    m_poll.start();
}

void FolderWatcher::stop()
{
    m_poll.stop();
    m_settle.stop();
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_folders.clear();
}

void FolderWatcher::rewatch()
{
    const QStringList watched = m_watcher.directories();
    for (const QString &folder : m_folders) {
        if (!watched.contains(folder) && QFileInfo(folder).isDir())
            m_watcher.addPath(folder);
    }
}
