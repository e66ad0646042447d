// Recently deleted on real widgets: which notes go to trash/ at quit, and
// what Ctrl+Z right after a delete does. (Deleting and restoring through
// the list are journeys: tests/journeys/recently_deleted.py.)

#include "notebook.h"
#include "notebooksession.h"
#include "picturetrash.h"
#include "recentlydeleted.h"
#include "trashstore.h"

#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

class TestRecentlyDeleted : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void keepsScratchNotesHoldingText_data();
    void keepsScratchNotesHoldingText();
    void keepsEachVersionOnce();
    void ctrlZRightAfterDelete_data();
    void ctrlZRightAfterDelete();
    void dropsPicturesNoNoteRefersTo_data();
    void dropsPicturesNoNoteRefersTo();

private:
    QTextEdit *addNote(const QString &name, const QString &text, bool fixed);
    QList<TrashStore::Entry> entries() const { return TrashStore(dir->path()).list(); }

    std::unique_ptr<QTemporaryDir> dir;
    QTabWidget *tabs = nullptr;
    QTextEdit *home = nullptr;
    Notebook *notebook = nullptr;
    NotebookSession *session = nullptr;
    RecentlyDeleted *trash = nullptr;
};

void TestRecentlyDeleted::init()
{
    dir = std::make_unique<QTemporaryDir>();
    tabs = new QTabWidget;
    home = new QTextEdit;
    home->setReadOnly(true);
    tabs->addTab(home, QStringLiteral("home"));
    notebook = new Notebook(tabs, home, QIcon(), QIcon());
    session = new NotebookSession(notebook, dir->path());
    trash = new RecentlyDeleted(notebook, session);
    tabs->resize(400, 300);
    tabs->show();
    QVERIFY(QTest::qWaitForWindowExposed(tabs));
}

void TestRecentlyDeleted::cleanup()
{
    delete trash;
    delete session;
    delete notebook;
    delete tabs;
    dir.reset();
}

QTextEdit *TestRecentlyDeleted::addNote(const QString &name, const QString &text, bool fixed)
{
    notebook->addTab(name);
    QTextEdit *editor = notebook->currentEditor();
    editor->setPlainText(text);
    if (fixed)
        notebook->fixCurrent();
    return editor;
}

void TestRecentlyDeleted::keepsScratchNotesHoldingText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<bool>("openedFile");
    QTest::addColumn<bool>("editedSinceOpened");
    QTest::addColumn<bool>("kept");
    QTest::newRow("scratch note with text") << "milk" << false << false << false << true;
    QTest::newRow("empty scratch note") << "" << false << false << false << false;
    QTest::newRow("blank lines only") << "\n  \n" << false << false << false << false;
    QTest::newRow("fixed note: tab.dat keeps it") << "milk" << true << false << false << false;
    QTest::newRow("opened file, unchanged") << "milk" << false << true << false << false;
    QTest::newRow("opened file, edited") << "milk" << false << true << true << true;
}

void TestRecentlyDeleted::keepsScratchNotesHoldingText()
{
    QFETCH(QString, text);
    QFETCH(bool, fixed);
    QFETCH(bool, openedFile);
    QFETCH(bool, editedSinceOpened);
    QFETCH(bool, kept);
    QTextEdit *editor = addNote(QStringLiteral("note"), text, fixed);
    if (openedFile) {
        notebook->bindNoteFile(editor, dir->filePath(QStringLiteral("note.not")));
        notebook->noteFileWritten(editor);
    }
    if (editedSinceOpened)
        editor->insertPlainText(QStringLiteral(" more"));
    QSignalSpy notices(trash, &RecentlyDeleted::notice);

    QVERIFY(trash->keepScratchNotes());
    const QList<TrashStore::Entry> found = entries();
    QCOMPARE(found.size(), kept ? 1 : 0);
    QCOMPARE(notices.size(), kept ? 1 : 0);
    if (!kept)
        return;
    QCOMPARE(found.first().name, QStringLiteral("note"));
    QVERIFY(found.first().firstLine.contains(QStringLiteral("milk")));
    QVERIFY(notices.first().first().value<StoreSession::Notice>().label.startsWith(QStringLiteral("1 ")));
}

void TestRecentlyDeleted::keepsEachVersionOnce()
{
    // A quit that did not happen (a failed save) and a second one: one copy
    // of the same text, a new one once the text changed.
    QTextEdit *editor = addNote(QStringLiteral("draft"), QStringLiteral("first"), false);
    QVERIFY(trash->keepScratchNotes());
    QVERIFY(trash->keepScratchNotes());
    QCOMPARE(entries().size(), 1);
    editor->append(QStringLiteral("second"));
    QVERIFY(trash->keepScratchNotes());
    QCOMPARE(entries().size(), 2);
}

void TestRecentlyDeleted::ctrlZRightAfterDelete_data()
{
    QTest::addColumn<bool>("typedFirst");
    QTest::addColumn<bool>("restored");
    QTest::newRow("right after the delete") << false << true;
    QTest::newRow("after typing in the note shown") << true << false;
}

void TestRecentlyDeleted::ctrlZRightAfterDelete()
{
    QFETCH(bool, typedFirst);
    QFETCH(bool, restored);
    // The note shown after the delete could undo an edit of its own.
    QTextEdit *shown = addNote(QStringLiteral("a"), QStringLiteral("alpha"), true);
    QTest::keyClicks(shown, QStringLiteral("1"));
    addNote(QStringLiteral("b"), QStringLiteral("beta"), true);
    QCOMPARE(trash->deleteTab(2), Notebook::Refusal::None);
    QCOMPARE(notebook->currentEditor(), shown);
    if (typedFirst)
        QTest::keyClick(shown, Qt::Key_Space);
    const QString before = shown->toPlainText();

    QTest::keyClick(shown, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(tabs->count(), restored ? 3 : 2);
    QCOMPARE(entries().size(), restored ? 0 : 1);
    if (restored) {
        QCOMPARE(tabs->tabText(2), QStringLiteral("b"));
        QCOMPARE(notebook->currentEditor()->toPlainText(), QStringLiteral("beta"));
        QCOMPARE(shown->toPlainText(), before);
    } else {
        QVERIFY(shown->toPlainText() != before);
    }
}

void TestRecentlyDeleted::dropsPicturesNoNoteRefersTo_data()
{
    // How the note lets go of its picture, and which other note shows it too.
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("elsewhere");
    QTest::newRow("note deleted") << "delete" << "";
    QTest::newRow("picture taken out") << "edit" << "";
    QTest::newRow("scratch note at quit") << "quit" << "";
    QTest::newRow("deleted, another tab shows it") << "delete" << "tab";
    QTest::newRow("taken out, a desktop note shows it") << "edit" << "desktop";
    QTest::newRow("at quit, an opened file shows it") << "quit" << "file";
    QTest::newRow("deleted, a conflict copy shows it") << "delete" << "conflict";
}

void TestRecentlyDeleted::dropsPicturesNoNoteRefersTo()
{
    QFETCH(QString, how);
    QFETCH(QString, elsewhere);
    const QString name = QStringLiteral("pictures/") + QString(64, QLatin1Char('c')) + QStringLiteral(".png");
    const QByteArray bytes("the picture's bytes");
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("pictures")));
    QFile file(dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const QString html = QStringLiteral("<p>see <img src=\"%1\" width=\"8\" height=\"8\" /></p>").arg(name);
    if (elsewhere == QLatin1String("tab") || elsewhere == QLatin1String("desktop")) {
        addNote(QStringLiteral("other"), QString(), true)->setHtml(html);
        if (elsewhere == QLatin1String("desktop"))
            QVERIFY(notebook->moveCurrentToScreen(QString()));
    } else if (elsewhere == QLatin1String("file")) {
        notebook->addFileTab(QStringLiteral("mine"), dir->filePath(QStringLiteral("mine.not")), html, false, false);
    } else if (elsewhere == QLatin1String("conflict")) {
        notebook->addFileTab(QStringLiteral("conflict"), dir->filePath(QStringLiteral("n.sync-conflict.not")), html,
                             false, true);
    }
    QTextEdit *editor = addNote(QStringLiteral("note"), QString(), how != QLatin1String("quit"));
    editor->setHtml(html);
    session->settlePictures();

    if (how == QLatin1String("delete")) {
        QCOMPARE(trash->deleteTab(tabs->indexOf(editor)), Notebook::Refusal::None);
    } else if (how == QLatin1String("edit")) {
        QTextCursor all(editor->document());
        all.select(QTextCursor::Document);
        all.removeSelectedText();
    } else {
        QVERIFY(trash->keepScratchNotes());
    }
    session->settlePictures(how == QLatin1String("quit"));
    const bool dropped = elsewhere.isEmpty();
    QCOMPARE(QFileInfo::exists(dir->filePath(name)), !dropped);
    QCOMPARE(PictureTrash(dir->path()).holds(name), dropped);
    if (!dropped)
        return;

    // Kept in the trash, and back with the note: restored, or the edit undone.
    const QString kept = dir->filePath(PictureTrash::folderName() + name.mid(8));
    QCOMPARE(QFileInfo(kept).size(), bytes.size());
    if (how == QLatin1String("edit")) {
        editor->undo();
        session->settlePictures();
    } else {
        QCOMPARE(entries().size(), 1);
        QVERIFY(trash->restore(entries().first()));
    }
    QFile back(dir->filePath(name));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), bytes);
    QVERIFY(!QFileInfo::exists(kept));
}

QTEST_MAIN(TestRecentlyDeleted)
#include "tst_recentlydeleted.moc"
