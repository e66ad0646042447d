#include "storesaver.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

StoreSaver::StoreSaver(const QString &path, QObject *parent)
    : StoreSaver(path, &TabStoreFile::save, parent)
{
}

StoreSaver::StoreSaver(const QString &path, SaveFunction save, QObject *parent)
    : QObject(parent), m_path(path), m_save(std::move(save))
{
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("StoreSaver"));
    m_thread->start();
}

StoreSaver::~StoreSaver()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_changed.wakeAll();
    }
    m_thread->wait();
    delete m_thread;
}

void StoreSaver::requestSave(const TabStoreData &snapshot)
{
    QMutexLocker lock(&m_mutex);
    m_pending = snapshot;
    m_changed.wakeAll();
}

TabStoreFile::SaveResult StoreSaver::saveNow(const TabStoreData &snapshot)
{
    QMutexLocker lock(&m_mutex);
    // Anything still waiting is older than this snapshot.
    m_pending.reset();
    while (m_busy)
        m_changed.wait(&m_mutex);
    m_busy = true;
    lock.unlock();

    const TabStoreFile::SaveResult result = m_save(m_path, snapshot);

    lock.relock();
    m_busy = false;
    m_changed.wakeAll();
    return result;
}

bool StoreSaver::isIdle() const
{
    QMutexLocker lock(&m_mutex);
    return !m_busy && !m_pending;
}

void StoreSaver::run()
{
    QMutexLocker lock(&m_mutex);
    for (;;) {
        while ((!m_pending || m_busy) && !m_stopping)
            m_changed.wait(&m_mutex);
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

        lock.relock();
        m_busy = false;
        m_changed.wakeAll();
    }
}
