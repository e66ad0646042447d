#include "storesaver.h"

#include <QMetaObject>

#include <utility>

StoreSaver::StoreSaver(const QString &path, QObject *parent)
    : StoreSaver(path, &TabStoreFile::save, parent)
{
}

StoreSaver::StoreSaver(const QString &path, SaveFunction save, QObject *parent)
    : QObject(parent), m_path(path), m_save(std::move(save))
{
    m_thread = std::thread([this] { run(); });
}

StoreSaver::~StoreSaver()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void StoreSaver::requestSave(const TabStoreData &snapshot)
{
    std::optional<TabStoreData> replaced;
    {
        std::lock_guard lock(m_mutex);
        replaced = std::exchange(m_pending, snapshot);
    }
    m_changed.notify_all();
    // replaced (perhaps the last owner of its notes' text) is freed here, outside the lock.
}

TabStoreFile::SaveResult StoreSaver::saveNow(const TabStoreData &snapshot)
{
    std::unique_lock lock(m_mutex);
    // Anything still waiting is older than this snapshot.
    m_pending.reset();
    m_changed.wait(lock, [this] { return !m_busy; });
    m_busy = true;
    lock.unlock();

    const TabStoreFile::SaveResult result = m_save(m_path, snapshot);

    lock.lock();
    m_busy = false;
    lock.unlock();
    m_changed.notify_all();
    return result;
}

bool StoreSaver::isIdle() const
{
    std::lock_guard lock(m_mutex);
    return !m_busy && !m_pending;
}

void StoreSaver::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return (m_pending && !m_busy) || m_stopping; });
        if (!m_pending || m_busy) {
            // Stopping, and nothing of ours left to write.
            return;
        }
        TabStoreData snapshot = std::move(*m_pending);
        m_pending.reset();
        m_busy = true;
        lock.unlock();

        const TabStoreFile::SaveResult result = m_save(m_path, snapshot);
        snapshot = TabStoreData(); // let go of the notes before the next wait
        // Queued to this object: the slot side runs in the thread the saver lives in,
        // and the call is dropped if the saver is gone by then.
        QMetaObject::invokeMethod(
            this, [this, result] { emit saveFinished(result.ok, result.error); }, Qt::QueuedConnection);

        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}
