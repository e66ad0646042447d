#pragma once

#include "tabstoredata.h"
#include "tabstorefile.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

/// Writes tab.dat on a worker thread so that saving never blocks the GUI.
///
/// The caller hands over an immutable snapshot (TabStoreData copies share
/// their text, so handing one over costs no copying of notes). Requests
/// coalesce: while a save runs, only the newest request waits, and it is
/// written when the running save ends. Two writes never overlap. Outcomes of
/// requested saves arrive as saveFinished() in the thread this object lives in.
///
/// saveNow() is for quitting: it waits for the save in flight, drops any
/// waiting request (the snapshot it is given is newer) and writes in the
/// calling thread. The destructor waits for the save in flight and still
/// writes a waiting request, so nothing requested is dropped silently.
class StoreSaver : public QObject
{
    Q_OBJECT
public:
    using SaveFunction =
        std::function<TabStoreFile::SaveResult(const QString &path, const TabStoreData &data)>;

    explicit StoreSaver(const QString &path, QObject *parent = nullptr);
    /// Saves through save instead of TabStoreFile::save (tests use this to control timing).
    StoreSaver(const QString &path, SaveFunction save, QObject *parent = nullptr);
    ~StoreSaver() override;

    QString path() const { return m_path; }

    /// Returns at once; the snapshot replaces any request not yet started.
    void requestSave(const TabStoreData &snapshot);
    /// Blocks until this snapshot is written (or failed); emits nothing.
    TabStoreFile::SaveResult saveNow(const TabStoreData &snapshot);
    /// True when no save is running or waiting.
    bool isIdle() const;

signals:
    /// One per requested save that ran; error is empty when ok.
    void saveFinished(bool ok, const QString &error);

private:
    void run();

    const QString m_path;
    const SaveFunction m_save;
    // std primitives rather than QThread/QMutex: ThreadSanitizer can check these
    // (the Qt libraries are not built for it).
    mutable std::mutex m_mutex;
    std::condition_variable m_changed; // pending, busy or stopping changed
    std::optional<TabStoreData> m_pending;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // started by the constructor, joined by the destructor
};
