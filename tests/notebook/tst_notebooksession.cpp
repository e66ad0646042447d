// The notebook's session: who lets go of the notebook when, and which saves
// may tell the user something.

#include "notebook.h"
#include "notebooksession.h"
#include "notebooksync.h"

#include <QDir>
#include <QFile>
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

QTEST_MAIN(TestNotebookSession)
#include "tst_notebooksession.moc"
