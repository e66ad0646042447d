#include "storesession.h"

#include "checkedsave.h"
#include "logging.h"
#include "tabstorefile.h"
#include "tabstorewriter.h"

#include <QBuffer>
#include <QFile>

#include <QFileInfo>

#include <mutex>

namespace {
constexpr int AutosaveDelayMs = 2000;
/// How often a failed save is tried again until it succeeds.
constexpr int RetryDelayMs = 3000;
}

struct StoreSession::Written
{
    mutable std::mutex mutex;
    TabStoreData data;
};

StoreSession::StoreSession(const QString &path, QObject *parent)
    : StoreSession(path, StoreSaver::SaveFunction(), parent)
{
}

StoreSession::StoreSession(const QString &path, StoreSaver::SaveFunction save, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_written(std::make_shared<Written>())
    , m_autosaveTimer(this)
    , m_noteFileTimer(this)
    , m_retryTimer(this)
{
    // Every save, in the background or not, records what reached the file.
    StoreSaver::SaveFunction write = save ? std::move(save) : StoreSaver::SaveFunction(&TabStoreFile::save);
    m_saver = new StoreSaver(
        path,
        [write, written = m_written](const QString &file, const TabStoreData &data) {
            const TabStoreFile::SaveResult result = write(file, data);
            if (result.ok) {
                const std::lock_guard<std::mutex> lock(written->mutex);
                written->data = data;
            }
            return result;
        },
        this);
    m_autosaveTimer.setObjectName(QStringLiteral("autosaveTimer"));
    m_autosaveTimer.setSingleShot(true);
    m_autosaveTimer.setInterval(AutosaveDelayMs);
    connect(&m_autosaveTimer, &QTimer::timeout, this, &StoreSession::autosave);
    m_noteFileTimer.setObjectName(QStringLiteral("noteFileTimer"));
    m_noteFileTimer.setSingleShot(true);
    connect(&m_noteFileTimer, &QTimer::timeout, this, &StoreSession::writeNoteFilesSoon);
    connect(m_saver, &StoreSaver::saveFinished, this, &StoreSession::autosaveFinished);
    m_retryTimer.setObjectName(QStringLiteral("retryTimer"));
    m_retryTimer.setInterval(RetryDelayMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &StoreSession::autosave);
}

StoreSession::~StoreSession() = default;

TabStoreData StoreSession::lastWritten() const
{
    const std::lock_guard<std::mutex> lock(m_written->mutex);
    return m_written->data;
}

StoreSession::Opened StoreSession::open(const Source &source)
{
    m_source = source;
    const bool fresh = !QFileInfo::exists(m_path) || QFileInfo(m_path).size() == 0;
    const TabStoreFile::LoadResult loaded = TabStoreFile::load(m_path);
    const int kept = m_source.restore ? m_source.restore(loaded.data) : 0;
    TabStoreFile::SaveResult created{true, QString()};
    if (fresh && loaded.status != TabStoreFile::Unreadable)
        created = TabStoreFile::saveEmpty(m_path);
    // Never replace a store we could not read, or a damaged one we could not
    // copy aside: it may hold the only copy of the user's notes.
    m_writable = loaded.status != TabStoreFile::Unreadable
        && !(loaded.status == TabStoreFile::Damaged && loaded.damagedCopyPath.isEmpty());
    // Quitting now would lose nothing: the disk is as this run found it.
    m_savedChanges = m_changes;
    return Opened{loaded.data.skinPath, openNotice(loaded, kept, created)};
}

StoreSession::Notice StoreSession::openNotice(const TabStoreFile::LoadResult &loaded, int keptRecords,
                                              const TabStoreFile::SaveResult &created) const
{
    Notice notice;
    QStringList details;
    if (loaded.status == TabStoreFile::Damaged) {
        notice.label = tr("便签数据已损坏");
        details << (loaded.damagedCopyPath.isEmpty()
                        ? tr("tab.dat 已损坏，已读出损坏前的便签；无法备份原文件（%1），因此不会覆盖它").arg(loaded.copyError)
                        : tr("tab.dat 已损坏，已读出损坏前的便签，原文件备份为 %1").arg(loaded.damagedCopyPath));
    } else if (loaded.status == TabStoreFile::Unreadable) {
        details << tr("无法读取 tab.dat（%1），本次运行不会覆盖它").arg(loaded.error);
    }
    if (keptRecords > 0) {
        if (notice.label.isEmpty())
            notice.label = tr("有便签文件无法读取");
        details << tr("%1 个固定便签的便签文件无法读取，未能打开；它们的记录会原样保存").arg(keptRecords);
    }
    if (!created.ok) {
        if (notice.label.isEmpty())
            notice.label = tr("无法创建 tab.dat");
        details << tr("无法创建 tab.dat（%1），便签可能无法保存").arg(created.error);
    }
    notice.detail = details.join(QLatin1Char('\n'));
    return notice;
}

QString StoreSession::notWritableError() const
{
    return tr("启动时无法读取 tab.dat，为保护原文件未保存");
}

void StoreSession::setNoteFileDelay(int ms)
{
    m_noteFileTimer.setInterval(ms);
    if (ms <= 0)
        m_noteFileTimer.stop();
}

void StoreSession::writeNoteFilesSoon()
{
    if (!m_writable || !m_source.writeNoteFiles)
        return;
    if (m_source.beforeSave)
        m_source.beforeSave();
    const QStringList errors = m_source.writeNoteFiles();
    if (!errors.isEmpty()) {
        m_autosaveFilesFailed = true;
        autosaveFinished(false, errors.join(QLatin1Char('\n')));
    }
}

void StoreSession::scheduleAutosave()
{
    ++m_changes;
    // Restarted by every change: it fires once the typing pauses.
    if (m_noteFileTimer.interval() > 0)
        m_noteFileTimer.start();
    if (!m_autosaveTimer.isActive())
        m_autosaveTimer.start();
}

void StoreSession::autosave()
{
    if (!m_writable) {
        autosaveFinished(false, notWritableError());
        return;
    }
    if (!m_source.snapshot)
        return;
    const bool shared = m_source.beforeSave && m_source.beforeSave();
    const QStringList fileErrors = m_source.writeNoteFiles ? m_source.writeNoteFiles() : QStringList();
    m_autosaveFilesFailed = !fileErrors.isEmpty();
    if (!shared || !diskHoldsSnapshot())
        m_saver->requestSave(m_source.snapshot());
    else if (fileErrors.isEmpty())
        autosaveFinished(true, QString());
    if (!fileErrors.isEmpty())
        autosaveFinished(false, fileErrors.join(QLatin1Char('\n')));
}

void StoreSession::autosaveFinished(bool ok, const QString &error)
{
    // tab.dat written is not the whole save while a note file failed.
    if (ok && !m_autosaveFilesFailed) {
        m_autosaveFailureShown = false;
        m_retryTimer.stop();
        return;
    }
    if (ok)
        return;
    // Until it succeeds, tried again now and then: space may come back
    // while nobody types.
    if (m_writable && !m_retryTimer.isActive())
        m_retryTimer.start();
    // Told (and logged) once, not at every save while the fault lasts.
    if (m_autosaveFailureShown)
        return;
    m_autosaveFailureShown = true;
    qCWarning(lcNotebook).noquote() << "autosave failed:" << error;
    const bool full = error.contains(CheckedSave::tr("磁盘已满"));
    emit autosaveFailed(Notice{full ? tr("磁盘已满…") : tr("自动保存失败"), tr("便签自动保存失败：%1").arg(error)});
}

QString StoreSession::saveNow()
{
    m_autosaveTimer.stop();
    m_noteFileTimer.stop();
    if (!m_writable)
        return notWritableError();
    if (!m_source.snapshot)
        return QString();
    if (m_source.beforeSave)
        m_source.beforeSave();
    const quint64 changes = m_changes;
    QStringList errors = m_source.writeNoteFiles ? m_source.writeNoteFiles() : QStringList();
    m_noteFilesFailed = !errors.isEmpty();
    const TabStoreFile::SaveResult saved = m_saver->saveNow(m_source.snapshot());
    if (!saved.ok)
        errors.prepend(saved.error);
    else if (errors.isEmpty())
        m_savedChanges = changes;
    return errors.join(QLatin1Char('\n'));
}

StoreSession::QuitOutcome StoreSession::quitRequested()
{
    const bool unchanged = m_changes == m_savedChanges;
    const QString error = saveNow();
    // A failed save loses nothing when nothing changed since the disk last
    // held our notes, or when tab.dat already holds what would be written.
    if (error.isEmpty() || m_quitFailureShown || unchanged || (!m_noteFilesFailed && diskHoldsSnapshot()))
        return QuitOutcome{};
    m_quitFailureShown = true;
    return QuitOutcome{QuitAnswer::Stay,
                       Notice{tr("保存失败"), tr("便签保存失败：%1\n再次退出将不保存修改。").arg(error)}};
}

bool StoreSession::diskHoldsSnapshot() const
{
    QFile file(m_path);
    if (!m_source.snapshot || file.size() > TabStoreFile::MaxBytes || !file.open(QIODevice::ReadOnly))
        return false;
    QBuffer wanted;
    wanted.open(QIODevice::WriteOnly);
    return TabStoreWriter::write(&wanted, m_source.snapshot()) && file.readAll() == wanted.data();
}

StoreSession::Notice StoreSession::saveForSession()
{
    const QString error = saveNow();
    if (error.isEmpty())
        return Notice();
    return Notice{tr("保存失败"), tr("便签保存失败：%1").arg(error)};
}
