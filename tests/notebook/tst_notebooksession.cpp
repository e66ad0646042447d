// The notebook's session: who lets go of the notebook when, and which saves
// may tell the user something.

#include "notebook.h"
#include "notebooksession.h"
#include "notebooksync.h"
#include "notestatekeeper.h"
#include "notewidget.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

class TestNotebookSession : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void syncLetsGoOfTheNotebookWithTheSession();
    void saveNowTellsNothingEvenWhenItFails();
    void syncedSideFileChangedElsewhereReachesTheNotes_data();
    void syncedSideFileChangedElsewhereReachesTheNotes();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTabWidget> m_tabs;
    Notebook *m_notebook = nullptr;
    QString m_before;
};

void TestNotebookSession::init()
{
    // The sync reads paths relative to the notebook folder, the working directory.
    m_before = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    m_tabs = std::make_unique<QTabWidget>();
    auto *home = new QTextEdit;
    m_tabs->addTab(home, QStringLiteral("home"));
    m_notebook = new Notebook(m_tabs.get(), home, QIcon(), QIcon(), m_tabs.get());
}

void TestNotebookSession::cleanup()
{
    m_tabs.reset();
    m_dir.reset();
    QDir::setCurrent(m_before);
}

void TestNotebookSession::syncLetsGoOfTheNotebookWithTheSession()
{
    QCOMPARE(NotebookSync::setOn(m_dir->path(), true), QString());
    auto session = std::make_unique<NotebookSession>(m_notebook, m_dir->path());
    session->open();
    QVERIFY(session->sync());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("notes")));
    QFile theirs(QStringLiteral("notes/a.not"));
    QVERIFY(theirs.open(QIODevice::WriteOnly));
    theirs.write("<p>theirs</p>");
    theirs.close();
    m_notebook->addTab(QStringLiteral("n"));
    QTextEdit *editor = m_notebook->currentEditor();
    editor->setPlainText(QStringLiteral("mine"));
    // The sync has not read that file yet: its guard keeps it unwritten.
    QVERIFY(!m_notebook->saveNoteFile(editor, QStringLiteral("notes/a.not")).isEmpty());
    QVERIFY(theirs.open(QIODevice::ReadOnly));
    QCOMPARE(theirs.readAll(), QByteArray("<p>theirs</p>"));
    theirs.close();
    // Gone with the session: the notebook writes unguarded again.
    session.reset();
    QCOMPARE(m_notebook->saveNoteFile(editor, QStringLiteral("notes/a.not")), QString());
    QVERIFY(theirs.open(QIODevice::ReadOnly));
    QVERIFY(theirs.readAll().contains("mine"));
}

void TestNotebookSession::saveNowTellsNothingEvenWhenItFails()
{
    // A tab.dat that cannot be read is never written by this run.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("tab.dat")));
    NotebookSession session(m_notebook, m_dir->path());
    session.open();
    QSignalSpy notices(&session, &NotebookSession::notice);
    notices.clear();
    session.saveForSession(false);
    QCOMPARE(notices.count(), 1);
    QVERIFY(!notices.first().first().value<StoreSession::Notice>().detail.isEmpty());
    // The save that also runs with no display left only returns the error.
    QVERIFY(!session.saveNow().isEmpty());
    QCOMPARE(notices.count(), 1);
}

void TestNotebookSession::syncedSideFileChangedElsewhereReachesTheNotes_data()
{
    QTest::addColumn<QString>("written");   // the file the other computer's version arrives as
    QTest::addColumn<bool>("theirsNewer");
    QTest::addColumn<bool>("taken");
    // Their "keep new notes" choice (off) reaches the menu panel: only from a file that replaced ours.
    QTest::addColumn<bool>("keepNewTaken");
    const QString copy = QStringLiteral("notebook-state.sync-conflict-20261208-120000-ABCDEFG.json");
    QTest::newRow("replaced, newer") << QStringLiteral("notebook-state.json") << true << true << true;
    QTest::newRow("conflict copy, newer") << copy << true << true << false;
    QTest::newRow("replaced, older than our change") << QStringLiteral("notebook-state.json") << false << false << true;
}

void TestNotebookSession::syncedSideFileChangedElsewhereReachesTheNotes()
{
    QFETCH(QString, written);
    QFETCH(bool, theirsNewer);
    QFETCH(bool, taken);
    QFETCH(bool, keepNewTaken);
    QCOMPARE(NotebookSync::setOn(m_dir->path(), true), QString());
    NotebookSession session(m_notebook, m_dir->path());
    session.open();
    session.sync()->start();
    m_notebook->addTab(QStringLiteral("n"));
    m_notebook->fixCurrent();
    session.moveCurrentToScreen();
    QCOMPARE(m_notebook->noteList().size(), 1);
    NoteWidget *note = m_notebook->noteList().first();
    // Our own change, made now.
    note->applySettings(false, false, 9);
    QCOMPARE(session.saveNow(), QString());

    QFile ours(QStringLiteral("notebook-state.json"));
    QVERIFY(ours.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(ours.readAll()).object();
    ours.close();
    QVERIFY2(!root.contains(QLatin1String("window")), "the window stays on this computer");
    const QString key = root.value(QLatin1String("order")).toArray().first().toString();
    QVERIFY2(key.startsWith(QLatin1String("notes/")), qPrintable(key));
    QJsonObject notes = root.value(QLatin1String("notes")).toObject();
    QJsonObject theirs = notes.value(key).toObject();
    theirs.insert(QLatin1String("readOnly"), true);
    theirs.insert(QLatin1String("opacity"), 6);
    const QDateTime when = theirsNewer ? QDateTime::currentDateTimeUtc().addSecs(3600)
                                       : QDateTime::currentDateTimeUtc().addDays(-1);
    theirs.insert(QLatin1String("updated"), when.toString(Qt::ISODateWithMs));
    notes.insert(key, theirs);
    root.insert(QLatin1String("notes"), notes);
    root.insert(QLatin1String("keepNewNotes"), false);
    QFile other(written);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(QJsonDocument(root).toJson());
    other.close();

    QSignalSpy keepNew(&session, &NotebookSession::keepNewNotesChanged);
    session.state()->checkSynced();
    QCOMPARE(session.keepNewNotes(), !keepNewTaken);
    QCOMPARE(keepNew.size(), keepNewTaken ? 1 : 0);
    QCOMPARE(note->isReadOnly(), taken);
    QCOMPARE(note->opacityLevel(), taken ? 6 : 9);
    // Written back merged; a conflict copy is gone once the merge is saved.
    QCOMPARE(session.saveNow(), QString());
    QVERIFY(ours.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(ours.readAll()).object();
    QCOMPARE(saved.value(QLatin1String("notes")).toObject().value(key).toObject().value(QLatin1String("opacity")).toInt(),
             taken ? 6 : 9);
    QCOMPARE(QFile::exists(written), written == QLatin1String("notebook-state.json"));
}

QTEST_MAIN(TestNotebookSession)
#include "tst_notebooksession.moc"
