// A synced notebook folder against what other tools leave in notes/ and
// against a full disk: no note goes blank, nothing outside the notebook is
// written, and what could not be saved is saved once space returns.

#include "notebook.h"
#include "notebooksession.h"
#include "notebooksync.h"
#include "tabstorefile.h"
#include "trashstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

class TestNotebookSync : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void foreignFilesKeepEveryWord_data();
    void foreignFilesKeepEveryWord();
    void noteFileEmptyAtStartIsNeverTakenAsAnEdit_data();
    void noteFileEmptyAtStartIsNeverTakenAsAnEdit();
    void fullDiskKeepsOldFileAndSavesWhenSpaceReturns();
    void switchedOffHereNeverWritesOverAnEditFromElsewhere();
    void switchedOffElsewhereIsToldAndKeptHere();
    void textRecordOfAStoreCopyBecomesANoteFile();
    void conflictTabsAreToldApartAndOutliveTheirPrunedCopies();

private:
    /// A notebook in a window of its own, as a new run has.
    void makeNotebook();
    /// Opens the notebook in sync folder mode in folder (the working directory).
    void open(const QString &folder);
    /// Types text at the end of the note bound to path.
    void typeInto(const QString &path, const QString &text);
    static QByteArray contents(const QString &path);
    static bool writeFile(const QString &path, const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTabWidget> m_tabs;
    Notebook *m_notebook = nullptr;
    std::unique_ptr<NotebookSession> m_session;
    QString m_before;
    QString m_mounted;
};

void TestNotebookSync::init()
{
    m_before = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    // This computer's own state of a synced notebook, kept out of the user's.
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral(".state"))));
    makeNotebook();
}

void TestNotebookSync::makeNotebook()
{
    m_session.reset();
    m_tabs = std::make_unique<QTabWidget>();
    auto *home = new QTextEdit;
    m_tabs->addTab(home, QStringLiteral("home"));
    m_notebook = new Notebook(m_tabs.get(), home, QIcon(), QIcon(), m_tabs.get());
}

void TestNotebookSync::cleanup()
{
    m_session.reset();
    m_tabs.reset();
    QDir::setCurrent(m_before);
    if (!m_mounted.isEmpty())
        QProcess::execute(QStringLiteral("umount"), {m_mounted});
    m_mounted.clear();
    m_dir.reset();
}

void TestNotebookSync::open(const QString &folder)
{
    QVERIFY(QDir::setCurrent(folder));
    QCOMPARE(NotebookSync::setOn(folder, true), QString());
    m_session = std::make_unique<NotebookSession>(m_notebook, folder);
    m_session->open();
    QVERIFY(m_session->sync());
    m_session->sync()->start();
}

void TestNotebookSync::typeInto(const QString &path, const QString &text)
{
    QWidget *page = m_notebook->pageForFile(path);
    QVERIFY2(page, qPrintable(path));
    QTextEdit *editor = m_notebook->editorAt(m_tabs->indexOf(page));
    QVERIFY(editor);
    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

QByteArray TestNotebookSync::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestNotebookSync::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

void TestNotebookSync::foreignFilesKeepEveryWord_data()
{
    QTest::addColumn<QString>("kind");
    // The note file itself takes the typed text (else it is left as the other tool left it).
    QTest::addColumn<bool>("fileTakesEdit");
    QTest::newRow("emptied") << "empty" << true;
    QTest::newRow("Latin-1 bytes") << "latin1" << true;
    QTest::newRow("link to a file outside") << "symlink" << false;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("FIFO") << "fifo" << false;
}

void TestNotebookSync::foreignFilesKeepEveryWord()
{
    QFETCH(QString, kind);
    QFETCH(bool, fileTakesEdit);
    const QString note = QStringLiteral("notes/n.not");
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("notes")));
    QVERIFY(writeFile(m_dir->filePath(note), "<p>before</p>"));
    open(m_dir->path());
    QVERIFY(m_notebook->pageForFile(note));
    QVERIFY(m_session->saveNow().isEmpty());
    QSignalSpy messages(m_session.get(), &NotebookSession::syncMessage);

    QTemporaryDir outside;
    const QString secret = outside.filePath(QStringLiteral("secret.txt"));
    QVERIFY(writeFile(secret, "root:x:0:0"));
    const QByteArray latin1("<p>caf\xe9</p>");
    QVERIFY(QFile::remove(note));
    if (kind == QLatin1String("empty"))
        QVERIFY(writeFile(note, QByteArray()));
    else if (kind == QLatin1String("latin1"))
        QVERIFY(writeFile(note, latin1));
    else if (kind == QLatin1String("symlink"))
        QVERIFY(QFile::link(secret, note));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(note));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(note).constData(), 0600), 0);

    m_session->sync()->checkNow();
    QVERIFY(!messages.isEmpty());
    // The tab that showed the note keeps a text (its own, or the file's
    // read as the bytes it was), wherever it is kept now.
    QWidget *page = nullptr;
    for (QWidget *fixed : m_notebook->fixedPages()) {
        if (m_notebook->nameOf(fixed) == QLatin1String("before"))
            page = fixed;
    }
    QVERIFY(page);
    const QString kept = m_notebook->fixedTabs().value(page).path;
    const QString shown = QTextDocumentFragment::fromHtml(m_notebook->textOf(page)).toPlainText();
    QCOMPARE(shown, kind == QLatin1String("latin1") ? QStringLiteral("café") : QStringLiteral("before"));
    QCOMPARE(kept == note, fileTakesEdit);
    if (kind == QLatin1String("latin1")) {
        // The other tool's bytes are kept as they were before any save.
        const QStringList aside = QDir(QStringLiteral("trash")).entryList({QStringLiteral("n-*.original")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(contents(QStringLiteral("trash/") + aside.first()), latin1);
    }

    typeInto(kept, QStringLiteral(" typed"));
    QVERIFY(m_session->saveNow().isEmpty());
    const QString saved = QString::fromUtf8(contents(kept));
    QVERIFY2(saved.contains(QLatin1String(" typed")), qPrintable(saved));
    QVERIFY(saved.contains(shown));
    QCOMPARE(contents(secret), QByteArray("root:x:0:0"));
    const QFileInfo left(note);
    if (kind == QLatin1String("symlink"))
        QVERIFY(left.isSymLink());
    else if (kind == QLatin1String("folder"))
        QVERIFY(left.isDir());
    else if (kind == QLatin1String("fifo"))
        QVERIFY(!left.isFile() && left.exists());
    // A second look tells nothing new.
    const qsizetype told = messages.size();
    m_session->sync()->checkNow();
    QCOMPARE(messages.size(), told);
}

void TestNotebookSync::noteFileEmptyAtStartIsNeverTakenAsAnEdit_data()
{
    // A copy of the text the last run could not write (tab.dat.recovered/) is newer than any file.
    QTest::addColumn<bool>("recoveryCopy");
    QTest::newRow("nothing newer here") << false;
    QTest::newRow("recovery copy of this computer") << true;
}

void TestNotebookSync::noteFileEmptyAtStartIsNeverTakenAsAnEdit()
{
    QFETCH(bool, recoveryCopy);
    const QString note = QStringLiteral("notes/n.not");
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("notes")));
    QVERIFY(writeFile(m_dir->filePath(note), "<p>before</p>"));
    open(m_dir->path());
    QVERIFY(m_session->saveNow().isEmpty());
    const QString recovery = m_notebook->recoveryPath(note);
    if (recoveryCopy) {
        QVERIFY(QDir().mkpath(QFileInfo(recovery).path()));
        QVERIFY(writeFile(recovery, "<p>before and after</p>"));
    }

    // The program ends; a failed write elsewhere leaves the file empty.
    makeNotebook();
    QVERIFY(writeFile(note, QByteArray()));
    m_session = std::make_unique<NotebookSession>(m_notebook, m_dir->path());
    QSignalSpy messages(m_session.get(), &NotebookSession::syncMessage);
    m_session->open();
    m_session->sync()->start();
    QWidget *page = m_notebook->pageForFile(note);
    QVERIFY(page);
    const QString shown = QTextDocumentFragment::fromHtml(m_notebook->textOf(page)).toPlainText();
    QCOMPARE(shown, recoveryCopy ? QStringLiteral("before and after") : QString());
    QCOMPARE(messages.size(), recoveryCopy ? 0 : 1);
    if (!recoveryCopy) {
        QVERIFY(messages.first().at(2).toBool());
        QVERIFY2(messages.first().at(1).toString().contains(note), qPrintable(messages.first().at(1).toString()));
    }
    QVERIFY(m_session->saveNow().isEmpty());
    if (recoveryCopy) {
        QVERIFY(contents(note).contains("before and after"));
        return;
    }
    // Not written empty (as HTML) in its place: that would reach the others as an edit.
    QCOMPARE(contents(note), QByteArray());
    // Another computer that still has the text puts it back: shown here.
    QVERIFY(writeFile(note, "<p>before</p>"));
    m_session->sync()->checkNow();
    QCOMPARE(QTextDocumentFragment::fromHtml(m_notebook->textOf(page)).toPlainText(), QStringLiteral("before"));
}

void TestNotebookSync::fullDiskKeepsOldFileAndSavesWhenSpaceReturns()
{
    const QString mountPoint = m_dir->filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(mountPoint));
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                          QStringLiteral("size=512k"), QStringLiteral("tmpfs"), mountPoint});
    if (!mount.waitForFinished(30000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
        QSKIP(qPrintable(QStringLiteral("a small tmpfs cannot be mounted here: ")
                         + QString::fromLocal8Bit(mount.readAllStandardError()).trimmed()));
    m_mounted = mountPoint;

    const QString note = QStringLiteral("notes/n.not");
    QVERIFY(QDir(mountPoint).mkpath(QStringLiteral("notes")));
    QVERIFY(writeFile(mountPoint + QLatin1Char('/') + note, "<p>before</p>"));
    open(mountPoint);
    QVERIFY(m_session->saveNow().isEmpty());
    const QByteArray noteBefore = contents(note);
    const QByteArray storeBefore = contents(QStringLiteral("tab.dat"));
    QVERIFY(!storeBefore.isEmpty());
    QSignalSpy notices(m_session.get(), &NotebookSession::notice);

    // Fill the disk to the last byte.
    QFile filler(QStringLiteral("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    while (filler.write("x", 1) == 1) {
    }
    filler.close();

    typeInto(note, QStringLiteral(" first"));
    m_notebook->setName(m_notebook->pageForFile(note), QStringLiteral("renamed"));
    m_session->store()->autosave();
    QTRY_COMPARE(notices.size(), 1);
    const StoreSession::Notice told = notices.first().first().value<StoreSession::Notice>();
    QVERIFY2(told.label.startsWith(QStringLiteral("磁盘已满")), qPrintable(told.label));
    QVERIFY2(told.detail.contains(note), qPrintable(told.detail));
    // Typing goes on while the disk is full: told once, nothing replaced.
    typeInto(note, QStringLiteral(" second"));
    m_session->store()->autosave();
    m_session->sync()->checkNow();
    QCOMPARE(notices.size(), 1);
    QCOMPARE(contents(note), noteBefore);
    QCOMPARE(contents(QStringLiteral("tab.dat")), storeBefore);
    const QString shown = m_notebook->textOf(m_notebook->pageForFile(note));
    QVERIFY(shown.contains(QLatin1String("before first second")));

    // Space returns; nobody types: the save comes anyway.
    QVERIFY(QFile::remove(QStringLiteral("filler")));
    QTRY_VERIFY_WITH_TIMEOUT(contents(note).contains("before first second"), 30000);
    const auto renamedInStore = [] {
        const TabStoreFile::LoadResult loaded = TabStoreFile::load(QStringLiteral("tab.dat"));
        return loaded.status == TabStoreFile::Loaded && loaded.data.records.size() == 1
            && loaded.data.records.first().name == QLatin1String("renamed");
    };
    QTRY_VERIFY_WITH_TIMEOUT(renamedInStore(), 30000);
    QCOMPARE(notices.size(), 1);
}

void TestNotebookSync::switchedOffHereNeverWritesOverAnEditFromElsewhere()
{
    const QString note = QStringLiteral("notes/n.not");
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("notes")));
    QVERIFY(writeFile(m_dir->filePath(note), "<p>before</p>"));
    open(m_dir->path());
    QVERIFY(m_session->saveNow().isEmpty());
    QVERIFY(m_session->setSyncFolder(false));
    QVERIFY(!m_session->sync());
    QVERIFY(!NotebookSync::isOn(m_dir->path()));

    // The other computer still syncs and edits; this one edits too.
    QVERIFY(writeFile(note, "<p>theirs</p>"));
    typeInto(note, QStringLiteral(" mine"));
    QVERIFY(m_session->saveNow().isEmpty());
    QVERIFY(contents(note).contains("before mine"));
    const QStringList copies = QDir(QStringLiteral("notes")).entryList({QStringLiteral("n.velmo-conflict-*.not")});
    QCOMPARE(copies.size(), 1);
    QCOMPARE(contents(QStringLiteral("notes/") + copies.first()), QByteArray("<p>theirs</p>"));
    // Switched off here: the next start has nothing to tell about it.
    makeNotebook();
    m_session = std::make_unique<NotebookSession>(m_notebook, m_dir->path());
    QSignalSpy notices(m_session.get(), &NotebookSession::notice);
    m_session->open();
    QVERIFY(notices.isEmpty());
}

void TestNotebookSync::switchedOffElsewhereIsToldAndKeptHere()
{
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("notes")));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("notes/n.not")), "<p>before</p>"));
    open(m_dir->path());
    QSignalSpy messages(m_session.get(), &NotebookSession::syncMessage);
    QVERIFY(QFile::remove(NotebookSync::modeFile(m_dir->path())));
    m_session->sync()->checkNow();
    m_session->sync()->checkNow();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first().at(2).toBool());
    // Still in step with the folder for this run.
    QVERIFY(m_session->sync());
    QVERIFY(writeFile(QStringLiteral("notes/new.not"), "<p>arrived</p>"));
    m_session->sync()->checkNow();
    QVERIFY(m_notebook->pageForFile(QStringLiteral("notes/new.not")));
    QVERIFY(m_session->quitRequested());

    // Started again: told once more, at this start only; the notes are all there.
    for (const bool told : {true, false}) {
        makeNotebook();
        m_session = std::make_unique<NotebookSession>(m_notebook, m_dir->path());
        QSignalSpy notices(m_session.get(), &NotebookSession::notice);
        m_session->open();
        QVERIFY(!m_session->sync());
        QCOMPARE(notices.size(), told ? 1 : 0);
        if (told) {
            const StoreSession::Notice notice = notices.first().first().value<StoreSession::Notice>();
            QVERIFY2(notice.detail.contains(NotebookSync::modeFile(m_dir->path())), qPrintable(notice.detail));
        }
        QVERIFY(m_notebook->pageForFile(QStringLiteral("notes/n.not")));
        QVERIFY(m_notebook->pageForFile(QStringLiteral("notes/new.not")));
        QVERIFY(m_session->quitRequested());
    }
}

void TestNotebookSync::textRecordOfAStoreCopyBecomesANoteFile()
{
    open(m_dir->path());
    // Written on a computer where the mode is off: the note's text is in
    // tab.dat itself, and both computers wrote tab.dat at once.
    TabStoreData theirs;
    TabRecord inline_;
    inline_.name = QStringLiteral("made there");
    inline_.pathOrText = QStringLiteral("<p>inline words</p>");
    theirs.records << inline_;
    QVERIFY(TabStoreFile::save(QStringLiteral("tab.sync-conflict-20260102-030405-ABCDEFG.dat"), theirs).ok);
    m_session->sync()->checkNow();
    QVERIFY(m_session->saveNow().isEmpty());
    const TabStoreFile::LoadResult store = TabStoreFile::load(QStringLiteral("tab.dat"));
    QCOMPARE(store.data.records.size(), 1);
    const TabRecord record = store.data.records.first();
    QCOMPARE(record.name, QStringLiteral("made there"));
    QVERIFY(record.fromFile);
    QVERIFY(record.pathOrText.startsWith(QLatin1String("notes/")));
    QVERIFY(contents(record.pathOrText).contains("inline words"));
    // Seen again (the other computer's tab.dat still holds it): no second note.
    QVERIFY(TabStoreFile::save(QStringLiteral("tab.sync-conflict-20260102-030406-ABCDEFG.dat"), theirs).ok);
    m_session->sync()->checkNow();
    QVERIFY(m_session->saveNow().isEmpty());
    QCOMPARE(TabStoreFile::load(QStringLiteral("tab.dat")).data.records.size(), 1);
}

void TestNotebookSync::conflictTabsAreToldApartAndOutliveTheirPrunedCopies()
{
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("notes")));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("notes/n.not")), "<p>mine</p>"));
    open(m_dir->path());
    const QString first = QStringLiteral("notes/n.sync-conflict-20260102-030405-ABCDEFG.not");
    const QString second = QStringLiteral("notes/n.sync-conflict-20260102-040506-HIJKLMN.not");
    QVERIFY(writeFile(first, "<p>theirs one</p>"));
    QVERIFY(writeFile(second, "<p>theirs two</p>"));
    m_session->sync()->checkNow();
    QWidget *one = m_notebook->pageForFile(first);
    QWidget *two = m_notebook->pageForFile(second);
    QVERIFY(one && two);
    QVERIFY(m_notebook->nameOf(one) != m_notebook->nameOf(two));

    // Syncthing prunes its older copies: no user deleted them.
    QVERIFY(QFile::remove(first));
    m_session->sync()->checkNow();
    QCOMPARE(m_tabs->indexOf(one) >= 0, true);
    QVERIFY(m_notebook->textOf(one).contains(QLatin1String("theirs one")));
    // trash/ keeps the text meanwhile, under the tab's name.
    const QList<TrashStore::Entry> kept = TrashStore(m_dir->path()).list();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept.first().name, m_notebook->nameOf(one));
    QVERIFY(TrashStore(m_dir->path()).take(kept.first()).html.contains(QLatin1String("theirs one")));
}

QTEST_MAIN(TestNotebookSync)
#include "tst_notebooksync.moc"
