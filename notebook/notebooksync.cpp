#include "notebooksync.h"

#include "checkedsave.h"
#include "conflictname.h"
#include "logging.h"
#include "notebook.h"
#include "notefile.h"
#include "syncscan.h"
#include "tabstorefile.h"
#include "tabstorereader.h"
#include "tabstoremerge.h"
#include "trashstore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <QStringEncoder>
#include <QTextDocumentFragment>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace {
const QLatin1String NotesFolder("notes");
const QLatin1String StoreName("tab.dat");
const QLatin1String ModeFileName("sync-folder.txt");

QString randomId(int hexDigits)
{
    const quint64 value = QRandomGenerator::system()->generate64();
    return QString::number(value, 16).rightJustified(16, QLatin1Char('0')).left(hexDigits);
}

/// A tab.dat (or a sync tool's copy of one) read whole, without copying a
/// damaged one aside: that is for the store's own load at start-up. Null
/// when it is not a whole store (being written, damaged, not there).
std::optional<TabStoreData> readStore(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() > TabStoreFile::MaxBytes
        || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const TabStoreReader::Result read = TabStoreReader::read(&file);
    if (!read.ok())
        return std::nullopt;
    return read.data;
}

/// The file name inside notes/ of a path bound in the notebook; empty when it is elsewhere.
QString noteFileName(const QString &path)
{
    const QString prefix = NotesFolder + QLatin1Char('/');
    if (!path.startsWith(prefix) || path.indexOf(QLatin1Char('/'), prefix.size()) >= 0)
        return QString();
    return path.mid(prefix.size());
}
}

NotebookSync::NotebookSync(Notebook *notebook, const QString &folder, const Store &store, QObject *parent)
    : QObject(parent)
    , m_notebook(notebook)
    , m_folder(folder)
    , m_store(store)
{
    connect(&m_watcher, &FolderWatcher::changed, this, &NotebookSync::checkNow);
    // Before start() nothing is known, so no note file there may be written.
    m_notebook->setWriteGuard([this](const QString &path) {
        if (mayWrite(path))
            return true;
        // Passive, nothing looks at the folder before a save: a note
        // changed elsewhere is found here, and its other text kept in a
        // copy of its own before ours is written.
        const QString file = noteFileName(path);
        if (!m_passive || !m_started || file.isEmpty() || !refusal(path).isEmpty() || m_unwritable.contains(file))
            return false;
        const FileStamp now = FileStamp::of(abs(path), NoteFile::MaxBytes);
        // Gone or empty: writing loses nothing.
        if (!now.exists() || now.size == 0)
            return true;
        keepBoth(file, now);
        return mayWrite(path);
    });
}

NotebookSync::~NotebookSync()
{
    m_watcher.stop();
    if (m_notebook)
        m_notebook->setWriteGuard(nullptr);
}

QString NotebookSync::modeFile(const QString &folder)
{
    return QDir(folder).filePath(ModeFileName);
}

bool NotebookSync::isOn(const QString &folder)
{
    return QFileInfo::exists(modeFile(folder));
}

QString NotebookSync::setOn(const QString &folder, bool on)
{
    const QString path = modeFile(folder);
    if (!on) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return QFile(path).errorString().isEmpty() ? path : path + QLatin1String(": ") + QFile(path).errorString();
        return QString();
    }
    if (QFileInfo::exists(path))
        return QString();
    return CheckedSave::write(path, "Velmo Note keeps this notebook in sync folder mode: one file per note in notes/.\n"
                                    "Delete this file (or switch the mode off in the tray menu) to end it.\n");
}

QString NotebookSync::deviceName(const QString &folder)
{
    const QByteArray tag = QCryptographicHash::hash(QSysInfo::machineUniqueId() + '\n'
                                                        + QFileInfo(folder).absoluteFilePath().toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(8);
    QString host = QSysInfo::machineHostName();
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    host.replace(unsafe, QStringLiteral("_"));
    return (host.isEmpty() ? QStringLiteral("host") : host.left(32)) + QLatin1Char('-') + QString::fromLatin1(tag);
}

QString NotebookSync::newNotePath()
{
    return NotesFolder + QLatin1Char('/') + randomId(16) + QLatin1String(".not");
}

QString NotebookSync::conflictTitle(const QString &name, const QString &detail)
{
    return detail.isEmpty() ? tr("%1（冲突）").arg(name) : tr("%1（冲突 %2）").arg(name, detail);
}

QString NotebookSync::abs(const QString &relative) const
{
    return QDir(m_folder).filePath(relative);
}

QString NotebookSync::noteRelative(const QString &fileName) const
{
    return NotesFolder + QLatin1Char('/') + fileName;
}

void NotebookSync::start()
{
    if (m_started)
        return;
    m_started = true;
    QDir(m_folder).mkpath(NotesFolder);
    for (const auto &bound : m_notebook->fileBoundPages()) {
        const QString file = noteFileName(bound.path);
        if (file.isEmpty())
            continue;
        if (const QString why = refusal(bound.path); !why.isEmpty()) {
            // What the tab shows came from elsewhere (a link's target), not
            // from a note: the tab goes, the file stays as it is.
            m_refused.insert(file, why);
            const QString name = m_notebook->nameOf(bound.page);
            m_notebook->removeNote(bound.page);
            emit message(tr("已拒绝 %1").arg(bound.path),
                         tr("%1 不是便签本中的普通文件（%2）：标签“%3”已关闭，文件没有改动").arg(bound.path, why, name),
                         true);
            emit saveWanted();
            continue;
        }
        keepForeignBytes(file);
        const FileStamp now = FileStamp::of(abs(bound.path), NoteFile::MaxBytes);
        // The notebook read its files a moment ago, before this start: one
        // replaced since (the sync tool delivering the other computer's
        // edit) must count as changed, or the next save would write over it.
        // Asked after reading, so a replacement during the read counts too.
        const QByteArray read = m_notebook->identityWhenRead(bound.path);
        const bool replaced = !read.isEmpty() && read != FileStamp::identity(abs(bound.path));
        m_known.insert(file, replaced ? FileStamp::outdated() : now);
        if (!replaced && now.exists() && now.size == 0 && !m_notebook->differsFromFile(bound.page))
            emptyAtStart(bound.page, bound.path);
    }
    if (const auto loaded = readStore(abs(StoreName)))
        setBase(*loaded);
    m_storeStamp = FileStamp::of(abs(StoreName));
    connect(m_notebook, &Notebook::noteFileSaved, this,
            [this](QWidget *, const QString &path, const QString &html) { noteSaved(path, html); });
    connect(m_notebook, &Notebook::fileTabDeleted, this, &NotebookSync::fileTabDeleted);
    connect(m_notebook, &Notebook::noteUnfixed, this, &NotebookSync::noteUnfixed);
    if (m_passive)
        return;
    checkNow();
    m_watcher.watch({abs(NotesFolder), m_folder});
}

void NotebookSync::setPassive(bool passive)
{
    if (passive == m_passive)
        return;
    m_passive = passive;
    if (!m_started)
        return;
    if (passive) {
        m_watcher.stop();
        return;
    }
    m_toldModeOff = false;
    checkNow();
    m_watcher.watch({abs(NotesFolder), m_folder});
}

void NotebookSync::checkNow()
{
    // A check shows nothing modal, but guard anyway: applying a merge must
    // not start another check through a signal.
    if (m_checking || !m_started || m_passive)
        return;
    if (!m_toldModeOff && !isOn(m_folder)) {
        // Switched off on another computer: this one keeps the mode for
        // this run (its edits still reach the others) and says so.
        m_toldModeOff = true;
        emit message(tr("另一处关闭了同步文件夹模式"),
                     tr("另一台电脑关闭了同步文件夹模式（%1 已删除）。这里本次运行仍保持同步，便签都还在 notes/ 中；"
                        "下次启动时不再同步。要继续同步，在托盘菜单中再勾选“同步文件夹模式”。")
                         .arg(modeFile(m_folder)),
                     true);
    }
    m_checking = true;
    takeNewFixedTabs();
    scanNotes();
    checkStore();
    m_checking = false;
}

void NotebookSync::takeNewFixedTabs()
{
    const QString conflictMark = conflictTitle(QString());
    for (QWidget *page : m_notebook->fixedPages()) {
        const QString path = m_notebook->fixedTabs().value(page).path;
        if (path.isEmpty()) {
            // A fixed tab keeps its text in a file of its own from now on
            // (a conflict tab whose copy the sync tool pruned too).
            m_notebook->moveToFile(page, newNotePath(), true);
            if (m_conflictNames.contains(page)) {
                m_notebook->setReadOnly(page, false);
                m_notebook->setName(page, m_conflictNames.take(page));
            }
            emit saveWanted();
            continue;
        }
        const QString file = noteFileName(path);
        if (file.isEmpty())
            continue; // the user's own file elsewhere: left as it is
        if (m_notebook->noteFile(page).isEmpty())
            m_notebook->bindNoteFile(page, path);
        if (!ConflictName::parse(file).isConflict())
            continue;
        // A conflict copy the user fixed: kept as a note of its own.
        const QString target = newNotePath();
        if (!QFile::rename(abs(path), abs(target))) {
            emit message(tr("无法保留冲突版本"), tr("无法保留冲突版本：%1 无法改名").arg(path), true);
            continue;
        }
        m_known.insert(noteFileName(target), m_known.take(file));
        m_notebook->moveToFile(page, target, false);
        m_notebook->setReadOnly(page, false);
        QString name = m_conflictNames.take(page);
        if (name.isEmpty())
            name = m_notebook->nameOf(page);
        if (name.endsWith(conflictMark) && name.size() > conflictMark.size())
            name.chop(conflictMark.size());
        m_notebook->setName(page, name);
        emit message(tr("已保留为便签“%1”").arg(shortName(name)), QString(), false);
        emit saveWanted();
    }
}

void NotebookSync::scanNotes()
{
    QHash<QString, FileStamp> disk;
    // Links, folders, FIFOs and devices are listed too, to be refused aloud.
    const QFileInfoList entries = QDir(abs(NotesFolder))
                                      .entryInfoList(QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : entries) {
        const QString name = info.fileName();
        if (!SyncScan::isNoteFile(name))
            continue;
        if (const QString why = refusal(noteRelative(name)); !why.isEmpty()) {
            refuse(name, why);
            continue;
        }
        m_refused.remove(name);
        const FileStamp known = m_known.value(name);
        // Unchanged size and time: not read again (a 500-note folder is polled cheaply).
        disk.insert(name, known.looksUnchanged(info.size(), info.lastModified().toMSecsSinceEpoch())
                              ? known
                              : FileStamp::of(info.filePath(), NoteFile::MaxBytes));
    }
    QSet<QString> unsaved;
    for (const auto &bound : m_notebook->fileBoundPages()) {
        const QString file = noteFileName(bound.path);
        if (!file.isEmpty() && m_notebook->differsFromFile(bound.page))
            unsaved.insert(file);
    }
    for (const SyncScan::Step &step : SyncScan::compare(m_known, disk, unsaved)) {
        // No note of ours is ever written empty (even an empty one is HTML):
        // an empty file where we knew text is a failed write or another
        // tool's doing, never an edit to take.
        const FileStamp now = disk.value(step.file);
        if ((step.action == SyncScan::Action::Reload || step.action == SyncScan::Action::Conflict)
            && now.size == 0 && m_known.value(step.file).size > 0) {
            emptiedElsewhere(step.file, now);
            continue;
        }
        switch (step.action) {
        case SyncScan::Action::Reload:
            reload(step.file, disk.value(step.file));
            break;
        case SyncScan::Action::NewNote:
            addNew(step.file, disk.value(step.file));
            break;
        case SyncScan::Action::DeletedElsewhere:
            deletedElsewhere(step.file);
            break;
        case SyncScan::Action::DeletedWhileEdited: {
            // The edit here is the newest text: it is written again, even
            // if the edit is undone before the next save.
            QWidget *page = m_notebook->pageForFile(noteRelative(step.file));
            m_known.insert(step.file, FileStamp());
            m_notebook->moveToFile(page, noteRelative(step.file), true);
            emit message(tr("“%1”已在别处删除，这里的修改保留").arg(shortName(m_notebook->nameOf(page))),
                         tr("便签“%1”已在另一处删除，但这里有未保存的修改：已保留，并会重新写入")
                             .arg(m_notebook->nameOf(page)),
                         false);
            break;
        }
        case SyncScan::Action::Conflict:
            keepBoth(step.file, disk.value(step.file));
            break;
        case SyncScan::Action::ConflictCopy:
            showConflictCopy(step.file, step.original, disk.value(step.file));
            break;
        }
    }
}

void NotebookSync::reload(const QString &file, const FileStamp &stamp)
{
    const NoteFile::ReadResult read = NoteFile::read(abs(noteRelative(file)));
    if (!read.ok) {
        if (read.tooLarge)
            tooLarge(file, stamp, read.error);
        return; // otherwise being replaced right now: the next check sees it whole
    }
    m_known.insert(file, stamp);
    if (read.notUtf8)
        keepForeignBytes(file);
    if (QWidget *page = m_notebook->pageForFile(noteRelative(file)))
        m_notebook->reloadFromFile(page, read.text, read.format == NoteFile::Format::PlainText);
}

void NotebookSync::addNew(const QString &file, const FileStamp &stamp)
{
    const QString path = noteRelative(file);
    const NoteFile::ReadResult read = NoteFile::read(abs(path));
    if (!read.ok) {
        if (read.tooLarge)
            tooLarge(file, stamp, read.error);
        return;
    }
    if (QWidget *page = m_notebook->pageForFile(path)) {
        // Bound here already but never read or written (a tab moved into its
        // file by a run that ended before tab.dat listed it): the same text
        // is that file; another one is a conflict.
        if (read.text == m_notebook->textOf(page))
            m_known.insert(file, stamp);
        else
            keepBoth(file, stamp);
        return;
    }
    if (adoptWritten(file, read.text, stamp))
        return;
    const TabRecord listed = recordFromStore(path);
    const QString name = listed.name.isEmpty() ? firstLine(read.text) : listed.name;
    m_known.insert(file, stamp);
    if (read.notUtf8)
        keepForeignBytes(file);
    // tab.dat learns of it at the next save: written now, it would race the
    // other computer's tab.dat that names it, and the sync tool would keep
    // both as a conflict.
    m_notebook->addFileTab(name, path, read.text, true, false, read.format == NoteFile::Format::PlainText);
    // tab.dat came first and puts it on the screen: there it goes.
    if (listed.onScreen) {
        TabStoreData place;
        place.records << listed;
        m_notebook->applyLayout(place, m_store.snapshot().skinPath);
    }
    emit message(tr("新便签“%1”").arg(shortName(name)), QString(), false);
}

void NotebookSync::deletedElsewhere(const QString &file)
{
    const QString path = noteRelative(file);
    QWidget *page = m_notebook->pageForFile(path);
    if (!page) {
        m_known.remove(file);
        return;
    }
    const ConflictName::Tool tool = ConflictName::parse(file).tool;
    if (m_conflictNames.contains(page) && (tool == ConflictName::Tool::Syncthing || tool == ConflictName::Tool::Nextcloud)) {
        conflictCopyPruned(page, file);
        return;
    }
    const QString name = m_notebook->nameOf(page);
    QString error;
    const QString kept = toTrash(name, m_notebook->textOf(page), &error);
    if (kept.isEmpty()) {
        // The tab stays (its text is the only copy) and is written again.
        m_known.insert(file, FileStamp());
        m_notebook->moveToFile(page, path, true);
        emit message(tr("无法存入 trash/"), tr("便签“%1”已在另一处删除，但无法存入 trash/（%2）：已保留").arg(name, error), true);
        return;
    }
    m_known.remove(file);
    m_notebook->removeNote(page);
    emit message(tr("“%1”已在别处删除，存入 trash/").arg(shortName(name)), tr("便签“%1”已在另一处删除，文字存入 %2").arg(name, kept), false);
    emit saveWanted();
}

void NotebookSync::conflictCopyPruned(QWidget *page, const QString &file)
{
    // Syncthing keeps only its newest copies and deletes older ones on
    // every computer: no user chose that. The tab lasts until the user
    // deletes it (or fixes it to keep it); trash/ keeps the text meanwhile.
    m_known.remove(file);
    m_notebook->bindNoteFile(page, QString());
    QString error;
    const QString kept = toTrash(m_notebook->nameOf(page), m_notebook->textOf(page), &error);
    emit message(tr("冲突版本的文件已被同步工具删除"),
                 kept.isEmpty() ? tr("%1 已被同步工具删除：标签“%2”保留（无法存入 trash/：%3）")
                                      .arg(noteRelative(file), m_notebook->nameOf(page), error)
                                : tr("%1 已被同步工具删除：标签“%2”保留，文字也存入 %3")
                                      .arg(noteRelative(file), m_notebook->nameOf(page), kept),
                 kept.isEmpty());
}

void NotebookSync::keepBoth(const QString &file, const FileStamp &stamp)
{
    const QString path = noteRelative(file);
    const NoteFile::ReadResult read = NoteFile::read(abs(path));
    if (!read.ok)
        return;
    // The other text goes to a copy of its own before ours may replace it.
    const QString copy = ConflictName::ownCopy(file, QDateTime::currentDateTime(), randomId(4));
    const QString error = NoteFile::write(abs(noteRelative(copy)), read.text);
    const QString name = m_notebook->nameOf(m_notebook->pageForFile(path));
    if (!error.isEmpty()) {
        // Until the other text is safe, ours is not written over it.
        emit message(tr("无法保存冲突版本"), tr("便签“%1”在两处都改过，但无法保存另一处的版本（%2）：这里的修改暂不写入").arg(name, error), true);
        return;
    }
    m_known.insert(file, stamp);
    showConflictCopy(copy, file, FileStamp::of(abs(noteRelative(copy)), NoteFile::MaxBytes));
}

void NotebookSync::showConflictCopy(const QString &file, const QString &original, const FileStamp &stamp)
{
    const QString path = noteRelative(file);
    const NoteFile::ReadResult read = NoteFile::read(abs(path));
    if (!read.ok)
        return;
    m_known.insert(file, stamp);
    QString name = m_notebook->nameOf(m_notebook->pageForFile(noteRelative(original)));
    if (name.isEmpty())
        name = recordFromStore(noteRelative(original)).name;
    if (name.isEmpty())
        name = firstLine(read.text);
    // Many copies of one note (a long pause, many edits) are told apart by
    // when and where each was made; the first keeps the short title, as
    // the window is narrow.
    QString detail;
    if (std::find(m_conflictNames.cbegin(), m_conflictNames.cend(), name) != m_conflictNames.cend()) {
        const ConflictName::Match copy = ConflictName::parse(file);
        detail = copy.when.isValid() ? copy.when.toString(QStringLiteral("MM-dd HH:mm:ss")) : QString();
        if (copy.tool != ConflictName::Tool::Own && !copy.who.isEmpty())
            detail += QLatin1Char(' ') + copy.who;
        if (detail.trimmed().isEmpty())
            detail = file;
    }
    const QString title = conflictTitle(name, detail.trimmed());
    QWidget *page =
        m_notebook->addFileTab(title, path, read.text, false, true, read.format == NoteFile::Format::PlainText);
    m_conflictNames.insert(page, name);
    connect(page, &QObject::destroyed, this, [this, page] { m_conflictNames.remove(page); });
    emit message(tr("“%1”有冲突版本").arg(shortName(name)),
                 tr("便签“%1”在两处都改过：另一版本在标签“%2”中，固定它即保留，删除它即放入 trash/")
                     .arg(name, title),
                 false);
}

bool NotebookSync::trashesOnDelete(const QString &path) const
{
    // Before start() the notebook's deletes do not reach us.
    return m_started && !noteFileName(path).isEmpty() && QFileInfo::exists(abs(path));
}

void NotebookSync::fileTabDeleted(const QString &path, const QString &html, const QString &name)
{
    const QString file = noteFileName(path);
    if (!trashesOnDelete(path))
        return;
    QString error;
    const QString kept = toTrash(name, html, &error);
    if (kept.isEmpty()) {
        emit message(tr("无法存入 trash/"), tr("无法把便签存入 trash/（%1）：它的文件 %2 保留").arg(error, path), true);
        return;
    }
    // Removed here, it leaves the other computers too.
    if (!QFile::remove(abs(path))) {
        emit message(tr("无法删除便签文件"), tr("无法删除 %1：下次启动它会回来").arg(path), true);
        return;
    }
    m_known.remove(file);
    emit message(tr("已删除，文字存入 trash/"), tr("已删除，文字存入 %1").arg(kept), false);
}

void NotebookSync::tooLarge(const QString &file, const FileStamp &stamp, const QString &error)
{
    // Told once per version of the file; the file itself is left alone, and
    // its tab's text is not written over it.
    if (m_toldTooLarge.value(file) == stamp.hash)
        return;
    m_toldTooLarge.insert(file, stamp.hash);
    emit message(tr("便签文件太大，没有打开"), tr("%1 没有打开：%2").arg(noteRelative(file), error), true);
}

bool NotebookSync::adoptWritten(const QString &file, const QString &text, const FileStamp &stamp)
{
    // Such a tab is still to be written to a file that is not there yet,
    // and holds the same text: a run ended between writing that file and
    // tab.dat, and this start moved the tab (a text record again) anew.
    for (QWidget *page : m_notebook->fixedPages()) {
        const QString path = m_notebook->fixedTabs().value(page).path;
        const QString bound = noteFileName(path);
        if (bound.isEmpty() || m_known.contains(bound) || QFileInfo::exists(abs(path))
            || !m_notebook->differsFromFile(page) || m_notebook->textOf(page) != text)
            continue;
        m_notebook->moveToFile(page, noteRelative(file), false);
        m_notebook->noteFileWritten(page);
        m_known.insert(file, stamp);
        emit saveWanted();
        return true;
    }
    return false;
}

void NotebookSync::noteUnfixed(QWidget *page, const QString &path)
{
    const QString file = noteFileName(path);
    if (file.isEmpty())
        return;
    // As in a notebook that is not synced, an unfixed tab lasts until the
    // program ends; its file leaves this computer and the others now, its
    // text kept in trash/. Fixed again, it gets a new file.
    m_notebook->bindNoteFile(page, QString());
    if (!QFileInfo::exists(abs(path))) {
        m_known.remove(file);
        return;
    }
    QString error;
    const QString kept = toTrash(m_notebook->nameOf(page), m_notebook->textOf(page), &error);
    if (kept.isEmpty() || !QFile::remove(abs(path))) {
        emit message(tr("无法存入 trash/"), tr("无法把 %1 移入 trash/（%2）：下次启动它会作为常驻标签回来").arg(path, error), true);
        return;
    }
    m_known.remove(file);
    emit message(tr("不再常驻，文字存入 trash/"), tr("“%1”不再常驻：它的文件已移入 %2").arg(m_notebook->nameOf(page), kept), false);
}

void NotebookSync::noteSaved(const QString &path, const QString &html)
{
    const QString file = noteFileName(path);
    if (file.isEmpty())
        return;
    // What we wrote, not what is there now: a change that arrives right
    // after our write is still seen as a change. Written means on the disk
    // whole (the write is checked); a size that differs says otherwise, and
    // then what is there counts.
    QStringEncoder encoder(QStringEncoder::System);
    const QByteArray bytes = encoder(html);
    const QFileInfo info(abs(path));
    // A note too large to read back is known by its size and time, as the scan knows it.
    m_known.insert(file, bytes.size() > NoteFile::MaxBytes || info.size() != bytes.size()
                             ? FileStamp::of(abs(path), NoteFile::MaxBytes)
                             : FileStamp::ofBytes(bytes, info.lastModified().toMSecsSinceEpoch()));
    m_unwritable.remove(file);
}

bool NotebookSync::mayWrite(const QString &path) const
{
    const QString file = noteFileName(path);
    if (file.isEmpty()) {
        // tab.dat may name a path into notes/ that is no plain file name
        // ("notes/../x", "notes/sub/x"): never written through.
        return !path.startsWith(NotesFolder + QLatin1Char('/'));
    }
    if (!refusal(path).isEmpty() || m_unwritable.contains(file))
        return false;
    return FileStamp::of(abs(path), NoteFile::MaxBytes).sameContent(m_known.value(file));
}

QString NotebookSync::refusal(const QString &path) const
{
    const QFileInfo info(abs(path));
    if (info.isSymLink())
        return tr("是一个链接");
    // Where it would be: the file's folder, as it resolves now.
    const QString folder = QFileInfo(m_folder).canonicalFilePath();
    const QString parent = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (!folder.isEmpty() && !parent.isEmpty() && parent != folder
        && !parent.startsWith(folder + QLatin1Char('/')))
        return tr("在便签本文件夹之外");
    if (!info.exists())
        return QString();
    if (!info.isFile())
        return info.isDir() ? tr("是一个文件夹") : tr("不是普通文件");
    return QString();
}

void NotebookSync::refuse(const QString &file, const QString &reason)
{
    if (m_refused.value(file) == reason)
        return;
    m_refused.insert(file, reason);
    const QString path = noteRelative(file);
    QString detail = tr("%1 不是便签（%2）：没有打开，也不会写入").arg(path, reason);
    if (QWidget *page = m_notebook->pageForFile(path)) {
        // A note replaced by a link or a folder: its text stays ours, in a file of its own.
        m_notebook->moveToFile(page, newNotePath(), true);
        detail += tr("；标签“%1”的文字改存到新的便签文件").arg(m_notebook->nameOf(page));
        emit saveWanted();
    }
    m_known.remove(file);
    emit message(tr("已拒绝 %1").arg(path), detail, true);
}

void NotebookSync::emptiedElsewhere(const QString &file, const FileStamp &stamp)
{
    const QString path = noteRelative(file);
    // Writing over an empty file loses nothing: the text goes back there,
    // and to the other computers.
    m_known.insert(file, stamp);
    QWidget *page = m_notebook->pageForFile(path);
    if (!page)
        return;
    m_notebook->moveToFile(page, path, true);
    const QString name = m_notebook->nameOf(page);
    emit message(tr("“%1”的文件变成了空文件").arg(shortName(name)),
                 tr("便签“%1”的文件 %2 在别处变成了空文件（冲突）：这里的文字保留，并会重新写入").arg(name, path),
                 true);
    emit saveWanted();
}

void NotebookSync::emptyAtStart(QWidget *page, const QString &path)
{
    // No save of ours leaves a note file empty, so this one was emptied by
    // a write that failed elsewhere or by another tool; tab.dat still lists
    // it, so it held a note. With no newer copy here (that would have been
    // read instead, and is written back) the tab shows it empty, and nothing
    // is written there until the user types into it: another computer that
    // still has the text puts it back, and it is read as a change.
    const QString name = m_notebook->nameOf(page);
    emit message(tr("“%1”的文件是空文件").arg(shortName(name)),
                 tr("便签“%1”的文件 %2 启动时是空文件：不是在这里清空的（可能是别处写入失败或别的程序所为）。"
                    "这里没有它更新的文字；文件保持原样，直到你在标签中输入。另一台电脑仍有文字时会把它送回来。")
                     .arg(name, path),
                 true);
}

bool NotebookSync::keepForeignBytes(const QString &file)
{
    const QString trashFolder = TrashStore::folderName();
    const QString path = noteRelative(file);
    QFile source(abs(path));
    if (!source.open(QIODevice::ReadOnly) || source.size() > NoteFile::MaxBytes)
        return true;
    const QByteArray bytes = source.readAll();
    if (NoteFile::isUtf8(bytes))
        return true;
    QString base = file;
    base.chop(4);
    // Kept already (an earlier look, an earlier run): once is enough.
    const QDir trash(abs(trashFolder));
    for (const QString &name : trash.entryList({base + QLatin1String("-*.original")}, QDir::Files)) {
        QFile earlier(trash.filePath(name));
        if (earlier.size() == bytes.size() && earlier.open(QIODevice::ReadOnly) && earlier.readAll() == bytes) {
            m_unwritable.remove(file);
            return true;
        }
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = trashFolder + QLatin1Char('/') + base + QLatin1Char('-') + stamp + QLatin1String(".original");
    for (int n = 2; QFileInfo::exists(abs(kept)); ++n)
        kept = trashFolder + QLatin1Char('/') + base + QLatin1Char('-') + stamp + QLatin1Char('-') + QString::number(n)
            + QLatin1String(".original");
    QString error;
    if (!QDir(m_folder).mkpath(trashFolder))
        error = tr("无法创建文件夹 %1").arg(abs(trashFolder));
    else
        error = CheckedSave::write(abs(kept), bytes);
    if (!error.isEmpty()) {
        m_unwritable.insert(file);
        emit message(tr("%1 不是 UTF-8 文本").arg(path),
                     tr("%1 不是 UTF-8 文本，已按 Latin-1 显示；无法另存原始字节（%2），因此不会写入它").arg(path, error),
                     true);
        return false;
    }
    m_unwritable.remove(file);
    emit message(tr("%1 不是 UTF-8 文本").arg(path),
                 tr("%1 不是 UTF-8 文本，已按 Latin-1 显示；原始字节另存为 %2，保存时写成 UTF-8").arg(path, kept), false);
    return true;
}

QString NotebookSync::toTrash(const QString &name, const QString &html, QString *error) const
{
    const TrashStore::PutResult put = TrashStore(m_folder).put(name, html, QDateTime::currentDateTime());
    *error = put.error;
    return put.ok ? QDir(m_folder).relativeFilePath(put.file) : QString();
}

TabRecord NotebookSync::recordFromStore(const QString &path) const
{
    const std::optional<TabStoreData> store = readStore(abs(StoreName));
    if (!store)
        return TabRecord();
    for (const TabRecord &record : store->records) {
        if (record.fromFile && record.pathOrText == path)
            return record;
    }
    return TabRecord();
}

QString NotebookSync::shortName(const QString &name)
{
    // The message label is one line across a narrow window.
    return name.size() > 8 ? name.left(7) + QChar(0x2026) : name;
}

QString NotebookSync::firstLine(const QString &html)
{
    const QStringList lines = QTextDocumentFragment::fromHtml(html).toPlainText().split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            return trimmed.left(20);
    }
    return tr("便签");
}

void NotebookSync::checkStore()
{
    const QFileInfo info(abs(StoreName));
    if (info.isFile() && !m_storeStamp.looksUnchanged(info.size(), info.lastModified().toMSecsSinceEpoch())) {
        // Looked at once per change, whole or not (a damaged one stays the
        // store's business at the next start).
        m_storeStamp = FileStamp::of(abs(StoreName));
        if (const std::optional<TabStoreData> disk = readStore(abs(StoreName))) {
            const TabStoreData written = m_store.lastWritten ? m_store.lastWritten() : TabStoreData();
            if (*disk == written) {
                setBase(*disk); // our own save
            } else if (*disk != m_base) {
                merge(*disk);
                setBase(*disk);
            }
        }
    }
    // Both computers wrote tab.dat at once: the sync tool kept the other
    // one's beside it. It holds only names, order and places: merged, then gone.
    const QStringList names = QDir(m_folder).entryList(QDir::Files);
    for (const QString &name : names) {
        if (ConflictName::parse(name).original != StoreName)
            continue;
        const std::optional<TabStoreData> copy = readStore(abs(name));
        if (!copy)
            continue; // not whole yet, or damaged: left for the user
        merge(*copy);
        if (!QFile::remove(abs(name)))
            qCWarning(lcNotebook).noquote() << "could not remove merged" << name;
    }
}

void NotebookSync::setBase(const TabStoreData &base)
{
    if (base == m_base)
        return;
    m_history.append(m_base);
    // Enough to outlast a paused sync's worth of saves, little to compare.
    while (m_history.size() > 16)
        m_history.removeFirst();
    m_base = base;
}

void NotebookSync::adoptTextRecord(const TabRecord &record)
{
    const QString key = TabStoreMerge::keyOf(record);
    if (m_adoptedText.contains(key))
        return;
    m_adoptedText.insert(key);
    // Named after the record, so every computer that adopts it makes the
    // same file, and one that arrives from another computer is taken as it.
    const QString path = NotesFolder + QLatin1Char('/')
        + QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16))
        + QLatin1String(".not");
    if (m_notebook->pageForFile(path) || QFileInfo::exists(abs(path)))
        return;
    const QString text = QTextDocumentFragment::fromHtml(record.pathOrText).toPlainText();
    for (QWidget *page : m_notebook->fixedPages()) {
        if (m_notebook->nameOf(page) == record.name
            && QTextDocumentFragment::fromHtml(m_notebook->textOf(page)).toPlainText() == text)
            return;
    }
    QWidget *page = m_notebook->addFileTab(record.name, path, record.pathOrText, true, false);
    m_notebook->moveToFile(page, path, true);
    emit message(tr("新便签“%1”").arg(shortName(record.name)),
                 tr("另一处（未开同步文件夹模式）在 tab.dat 中记下的便签“%1”已存为 %2").arg(record.name, path), false);
    emit saveWanted();
}

void NotebookSync::merge(const TabStoreData &remote)
{
    const TabStoreData local = m_store.snapshot();
    TabStoreData merged = TabStoreMerge::merge(m_base, local, remote, m_history);
    QSet<QString> localKeys;
    QHash<QString, QString> localNames;
    for (const TabRecord &record : local.records) {
        localKeys.insert(TabStoreMerge::keyOf(record));
        if (record.fromFile)
            localNames.insert(record.pathOrText, record.name);
    }
    for (qsizetype i = merged.records.size() - 1; i >= 0; --i) {
        TabRecord &record = merged.records[i];
        if (!record.fromFile) {
            // Text kept in tab.dat by a computer where the mode is off: it
            // becomes a note file here, so no later save of ours drops it.
            if (!localKeys.contains(TabStoreMerge::keyOf(record))) {
                adoptTextRecord(record);
                merged.records.removeAt(i);
            }
            continue;
        }
        // A name made from a note's first line (it reached a computer before
        // its tab.dat did) never replaces the name it was given.
        const QString mine = localNames.value(record.pathOrText);
        if (!mine.isEmpty() && record.name != mine) {
            if (QWidget *page = m_notebook->pageForFile(record.pathOrText);
                page && record.name == firstLine(m_notebook->textOf(page)))
                record.name = mine;
        }
    }
    if (merged == local)
        return;
    m_notebook->applyLayout(merged, merged.skinPath);
    if (merged.skinPath != local.skinPath)
        emit skinChanged(merged.skinPath);
    // Only what the other computer lacks is worth writing back.
    if (merged != remote)
        emit saveWanted();
}
