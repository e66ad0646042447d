// The notebook's tabs, desktop notes and store conversion, on real widgets.

#include "notebook.h"
#include "notebooksync.h"
#include "noteeditor.h"
#include "notefile.h"
#include "notewidget.h"
#include "tabstorefile.h"

#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

class TestNotebook : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void addsOrdinaryTabs();
    void refusesEmptyNames();
    void renamingFixedTabUpdatesRegistry();
    void deleteRefusalsAndBindings();
    void fixingIgnoresHomeAndUnfixingNeedsFixedTab();
    void stickMovesTheSameEditor();
    void noteReturnsAsLastTabWithItsIcon_data();
    void noteReturnsAsLastTabWithItsIcon();
    void snapshotHoldsFixedTabsOnly();
    void recordsFollowTheOrderOnScreen();
    void unchangedNotesKeepTheirStoredHtml();
    void restoresTabsAndNotes();
    void keepsRecordsWhoseFileIsMissing();
    void boundFilesOpenLineForLineOrStayUntouched();
    void bringsLostNotesBackOnScreen();
    void clampsRestoredNoteSize();
    void writesChangedNoteFilesLikeASave();
    void vanishedFolderKeepsTextForNextStart_data();
    void vanishedFolderKeepsTextForNextStart();
    void reportsChangesToStoredNotes();
    void arrivingNoteFileReplacesItsKeptRecord();
    void appliesAnotherComputersLayout();
    void syncSeesAFileReplacedAfterTheRead();
    void captureKeptUnderItsLastingNameAtOnce();

private:
    QTextEdit *addAndFix(const QString &name, const QString &text);
    QTabWidget *tabs = nullptr;
    QTextEdit *home = nullptr;
    Notebook *notebook = nullptr;
    QIcon pin;
    QIcon unpin;
    QString workingDir; // put back after every test, passed or failed
};

void TestNotebook::init()
{
    workingDir = QDir::currentPath();
    pin = QIcon(QStringLiteral(":/img/pin.png"));
    unpin = QIcon(QStringLiteral(":/img/unpin.png"));
    tabs = new QTabWidget;
    home = new QTextEdit;
    tabs->addTab(home, pin, QStringLiteral("便签首页"));
    notebook = new Notebook(tabs, home, pin, unpin);
    tabs->resize(400, 300);
    tabs->show();
}

void TestNotebook::cleanup()
{
    delete notebook;
    delete tabs;
    QVERIFY(QDir::setCurrent(workingDir));
}

QTextEdit *TestNotebook::addAndFix(const QString &name, const QString &text)
{
    notebook->addTab(name);
    QTextEdit *editor = notebook->currentEditor();
    editor->setPlainText(text);
    notebook->fixCurrent();
    return editor;
}

void TestNotebook::addsOrdinaryTabs()
{
    QList<QTextEdit *> added;
    connect(notebook, &Notebook::editorAdded, this, [&added](QTextEdit *e) { added << e; });
    QCOMPARE(notebook->addTab(QStringLiteral("a")), Notebook::Refusal::None);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(tabs->tabText(1), QStringLiteral("a"));
    QCOMPARE(tabs->tabIcon(1).cacheKey(), unpin.cacheKey());
    auto *editor = notebook->currentEditor();
    QCOMPARE(editor->font().family(), QStringLiteral("calibri"));
    QCOMPARE(editor->font().pointSize(), 16);
    QVERIFY(editor->acceptRichText());
    QCOMPARE(added, QList<QTextEdit *>{editor});
    // A name of blanks is a name.
    QCOMPARE(notebook->addTab(QStringLiteral("  ")), Notebook::Refusal::None);
    QCOMPARE(tabs->count(), 3);
}

void TestNotebook::refusesEmptyNames()
{
    QCOMPARE(notebook->addTab(QString()), Notebook::Refusal::EmptyName);
    QCOMPARE(notebook->renameTab(0, QString()), Notebook::Refusal::EmptyName);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("便签首页"));
}

void TestNotebook::renamingFixedTabUpdatesRegistry()
{
    QTextEdit *editor = addAndFix(QStringLiteral("old"), QStringLiteral("x"));
    notebook->bindNoteFile(editor, QStringLiteral("/tmp/n.not"));
    notebook->fixCurrent();
    QCOMPARE(notebook->renameTab(1, QStringLiteral("new")), Notebook::Refusal::None);
    QCOMPARE(tabs->tabText(1), QStringLiteral("new"));
    QCOMPARE(notebook->fixedTabs().value(editor), (Notebook::FixedTab{QStringLiteral("new"), QStringLiteral("/tmp/n.not")}));
    // The home tab takes a new name too, but it is not stored.
    QCOMPARE(notebook->renameTab(0, QStringLiteral("主页")), Notebook::Refusal::None);
    QCOMPARE(tabs->tabText(0), QStringLiteral("主页"));
    QVERIFY(!notebook->fixedTabs().contains(home));
}

void TestNotebook::deleteRefusalsAndBindings()
{
    QCOMPARE(notebook->deleteTab(0), Notebook::Refusal::HomeTab);
    QTextEdit *fixedEditor = addAndFix(QStringLiteral("fixed"), QStringLiteral("keep"));
    notebook->bindNoteFile(fixedEditor, QStringLiteral("/tmp/f.not"));
    QSignalSpy deletedFiles(notebook, &Notebook::fileTabDeleted);
    QCOMPARE(notebook->deleteTab(1), Notebook::Refusal::FixedTab);
    QCOMPARE(tabs->count(), 2);
    // A refused deletion leaves the tab as it was, bound to its note file.
    QCOMPARE(notebook->noteFile(fixedEditor), QStringLiteral("/tmp/f.not"));
    QVERIFY(notebook->isFixed(fixedEditor));
    QCOMPARE(deletedFiles.count(), 0);
    notebook->unfixCurrent();
    QPointer<QTextEdit> gone = fixedEditor;
    QCOMPARE(notebook->deleteTab(1), Notebook::Refusal::None);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(deletedFiles.count(), 1);
    QCOMPARE(deletedFiles.first().first().toString(), QStringLiteral("/tmp/f.not"));
    QTRY_VERIFY(gone.isNull());

    // Asked to, a fixed tab goes too: out of tab.dat, its file's watcher told with its name.
    QTextEdit *second = addAndFix(QStringLiteral("second"), QStringLiteral("more"));
    notebook->bindNoteFile(second, QStringLiteral("/tmp/s.not"));
    notebook->fixCurrent();
    QSignalSpy changed(notebook, &Notebook::changed);
    QCOMPARE(notebook->deleteTab(1, true), Notebook::Refusal::None);
    QCOMPARE(tabs->count(), 1);
    QVERIFY(notebook->fixedTabs().isEmpty());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(deletedFiles.count(), 2);
    QCOMPARE(deletedFiles.last().at(0).toString(), QStringLiteral("/tmp/s.not"));
    QVERIFY(deletedFiles.last().at(1).toString().contains(QStringLiteral("more")));
    QCOMPARE(deletedFiles.last().at(2).toString(), QStringLiteral("second"));
}

void TestNotebook::fixingIgnoresHomeAndUnfixingNeedsFixedTab()
{
    QSignalSpy changed(notebook, &Notebook::changed);
    tabs->setCurrentIndex(0);
    notebook->fixCurrent();
    notebook->unfixCurrent();
    QVERIFY(notebook->fixedTabs().isEmpty());
    QCOMPARE(changed.count(), 0);
    notebook->addTab(QStringLiteral("plain"));
    notebook->unfixCurrent();
    QCOMPARE(tabs->tabIcon(1).cacheKey(), unpin.cacheKey());
    QCOMPARE(changed.count(), 0);
    notebook->fixCurrent();
    QCOMPARE(tabs->tabIcon(1).cacheKey(), pin.cacheKey());
    QCOMPARE(changed.count(), 1);
}

void TestNotebook::stickMovesTheSameEditor()
{
    tabs->setCurrentIndex(0);
    QVERIFY(!notebook->moveCurrentToScreen(QString()));
    QCOMPARE(tabs->count(), 1);

    notebook->addTab(QStringLiteral("memo"));
    QTextEdit *editor = notebook->currentEditor();
    editor->setHtml(QStringLiteral("<b>bold</b> text"));
    NoteWidget *note = notebook->moveCurrentToScreen(QString());
    QVERIFY(note);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(note->getTextEdit(), editor);
    QCOMPARE(editor->parentWidget(), note);
    QCOMPARE(note->getTitle(), QStringLiteral("memo"));
    QCOMPARE(notebook->noteList(), QList<NoteWidget *>{note});
    QVERIFY(QTest::qWaitForWindowExposed(note));
    QCOMPARE(note->size(), QSize(190, 230));
    QCOMPARE(editor->geometry(), QRect(7, 25, 190 - 14, 230 - 45));
    QVERIFY(note->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!note->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void TestNotebook::noteReturnsAsLastTabWithItsIcon_data()
{
    QTest::addColumn<bool>("fixTab");
    QTest::newRow("ordinary") << false;
    QTest::newRow("fixed") << true;
}

void TestNotebook::noteReturnsAsLastTabWithItsIcon()
{
    QFETCH(bool, fixTab);
    notebook->addTab(QStringLiteral("first"));
    QTextEdit *editor = notebook->currentEditor();
    if (fixTab)
        notebook->fixCurrent();
    notebook->addTab(QStringLiteral("second"));
    tabs->setCurrentIndex(1);
    NoteWidget *note = notebook->moveCurrentToScreen(QString());
    QVERIFY(QTest::qWaitForWindowExposed(note));
    // Read-only travels with the editor.
    note->findChild<QToolButton *>(QStringLiteral("readOnlyButton"))->click();
    QVERIFY(editor->isReadOnly());
    QPointer<NoteWidget> closing = note;
    note->findChild<QToolButton *>(QStringLiteral("closeButton"))->click();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->widget(2), editor);
    QCOMPARE(tabs->currentIndex(), 2);
    QCOMPARE(tabs->tabText(2), QStringLiteral("first"));
    QCOMPARE(tabs->tabIcon(2).cacheKey(), (fixTab ? pin : unpin).cacheKey());
    QVERIFY(editor->isReadOnly());
    QVERIFY(notebook->noteList().isEmpty());
    QTRY_VERIFY(closing.isNull());
}

void TestNotebook::snapshotHoldsFixedTabsOnly()
{
    QTextEdit *a = addAndFix(QStringLiteral("a"), QStringLiteral("alpha"));
    notebook->addTab(QStringLiteral("ordinary"));
    QTextEdit *b = addAndFix(QStringLiteral("b"), QStringLiteral("beta"));
    notebook->bindNoteFile(b, QStringLiteral("/notes/b.not"));
    notebook->fixCurrent();
    tabs->setCurrentWidget(a);
    NoteWidget *note = notebook->moveCurrentToScreen(QString());
    note->setGeometry(300, 200, 250, 260);
    QVERIFY(QTest::qWaitForWindowExposed(note));

    const TabStoreData data = notebook->snapshot(QStringLiteral("./skin/x.jpg"));
    QCOMPARE(data.skinPath, QStringLiteral("./skin/x.jpg"));
    QCOMPARE(data.records.size(), 2);
    // Tabs in their order first, then the notes on the screen.
    const TabRecord rb = data.records.at(0);
    const TabRecord ra = data.records.at(1);
    QCOMPARE(ra.name, QStringLiteral("a"));
    QVERIFY(!ra.fromFile);
    QCOMPARE(ra.pathOrText, a->toHtml());
    QVERIFY(ra.onScreen);
    QCOMPARE(ra.geometry, QRect(note->pos(), note->size()));
    QCOMPARE(rb.name, QStringLiteral("b"));
    QVERIFY(rb.fromFile);
    QCOMPARE(rb.pathOrText, QStringLiteral("/notes/b.not"));
    QVERIFY(!rb.onScreen);
}

void TestNotebook::recordsFollowTheOrderOnScreen()
{
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names << QStringLiteral("n%1").arg(i);
        addAndFix(names.last(), names.last());
    }
    // Deleting and adding again reuses memory, which used to reorder the records.
    notebook->addTab(QStringLiteral("gone"));
    notebook->deleteTab(tabs->count() - 1);
    tabs->tabBar()->moveTab(1, 5);
    names.move(0, 4);
    QStringList saved;
    for (const TabRecord &record : notebook->snapshot(QString()).records)
        saved << record.name;
    QCOMPARE(saved, names);
    // A restart gives the same order back.
    TabStoreData data = notebook->snapshot(QString());
    QTabWidget fresh;
    QTextEdit freshHome;
    fresh.addTab(&freshHome, QStringLiteral("home"));
    Notebook restored(&fresh, &freshHome, pin, unpin);
    restored.restore(data);
    QStringList order;
    for (int i = 1; i < fresh.count(); ++i)
        order << fresh.tabText(i);
    QCOMPARE(order, names);
    fresh.removeTab(0);
}

void TestNotebook::unchangedNotesKeepTheirStoredHtml()
{
    // HTML written by another Qt version: kept byte for byte until the note changes.
    const QString stored = QStringLiteral("<html><body><p>stored <b>as is</b></p></body></html>");
    TabStoreData data;
    TabRecord record;
    record.name = QStringLiteral("n");
    record.pathOrText = stored;
    data.records << record;
    notebook->restore(data);
    QCOMPARE(notebook->snapshot(QString()).records.at(0).pathOrText, stored);
    auto *editor = notebook->editorAt(1);
    QTest::keyClicks(editor, QStringLiteral("new "));
    const QString after = notebook->snapshot(QString()).records.at(0).pathOrText;
    QCOMPARE(after, editor->toHtml());
    QVERIFY(editor->toPlainText().startsWith(QStringLiteral("new stored")));
}

void TestNotebook::restoresTabsAndNotes()
{
    QTemporaryDir dir;
    const QString file = dir.path() + QLatin1String("/plan.not");
    QCOMPARE(NoteFile::write(file, QStringLiteral("<p>from file</p>")), QString());
    TabStoreData data;
    TabRecord text;
    text.name = QStringLiteral("文本");
    text.pathOrText = QStringLiteral("<p>hello</p>");
    TabRecord fromFile;
    fromFile.name = QStringLiteral("plan");
    fromFile.fromFile = true;
    fromFile.pathOrText = file;
    TabRecord screen = text;
    screen.name = QStringLiteral("screen");
    screen.onScreen = true;
    screen.geometry = QRect(QPoint(120, 140), QSize(300, 280));
    data.records << text << fromFile << screen;
    int added = 0;
    connect(notebook, &Notebook::editorAdded, this, [&added] { ++added; });
    QCOMPARE(notebook->restore(data), 0);

    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(1), QStringLiteral("文本"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("plan"));
    QCOMPARE(tabs->tabIcon(1).cacheKey(), pin.cacheKey());
    QCOMPARE(tabs->tabIcon(2).cacheKey(), pin.cacheKey());
    // A restored tab gets its editor, with its text, when it is first shown.
    QVERIFY(!qobject_cast<QTextEdit *>(tabs->widget(1)));
    tabs->setCurrentIndex(2);
    QTRY_VERIFY(qobject_cast<QTextEdit *>(tabs->widget(2)));
    QCOMPARE(static_cast<QTextEdit *>(tabs->widget(2))->toPlainText(), QStringLiteral("from file"));
    QCOMPARE(tabs->currentIndex(), 2);
    tabs->setCurrentIndex(0);
    QCOMPARE(notebook->editorAt(1)->textCursor().position(), 0);
    QCOMPARE(added, 3);
    QCOMPARE(notebook->noteList().size(), 1);
    NoteWidget *note = notebook->noteList().first();
    QVERIFY(QTest::qWaitForWindowExposed(note));
    QCOMPARE(note->getTitle(), QStringLiteral("screen"));
    QTRY_COMPARE(QRect(note->pos(), note->size()), screen.geometry);
    // Saving again gives back what was read.
    QCOMPARE(notebook->snapshot(QString()).records.size(), 3);
}

void TestNotebook::keepsRecordsWhoseFileIsMissing()
{
    TabStoreData data;
    TabRecord missing;
    missing.name = QStringLiteral("usb");
    missing.fromFile = true;
    missing.pathOrText = QStringLiteral("/media/stick/gone.not");
    missing.onScreen = true;
    missing.geometry = QRect(10, 20, 300, 300);
    TabRecord after;
    after.name = QStringLiteral("after");
    after.pathOrText = QStringLiteral("<p>still here</p>");
    data.records << missing << after;
    QCOMPARE(notebook->restore(data), 1);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("after"));
    QVERIFY(notebook->noteList().isEmpty());
    const TabStoreData saved = notebook->snapshot(QStringLiteral("./skin/a.jpg"));
    QCOMPARE(saved.records.size(), 2);
    QCOMPARE(saved.records.last(), missing);
    QCOMPARE(saved.records.last().geometry, missing.geometry);
    QCOMPARE(saved.skinPath, QStringLiteral("./skin/a.jpg"));
}

void TestNotebook::boundFilesOpenLineForLineOrStayUntouched()
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plan.txt"));
    const QString tooLong = dir.filePath(QStringLiteral("log.txt"));
    const QByteArray longLine(NoteFile::MaxParagraphChars + 1, 'x');
    for (const auto &[path, bytes] : {std::pair{plain, QByteArray("buy milk\n  fix <i>the</i> bike\n")},
                                      std::pair{tooLong, longLine}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    TabStoreData data;
    for (const QString &path : {plain, tooLong}) {
        TabRecord record;
        record.name = QFileInfo(path).baseName();
        record.fromFile = true;
        record.pathOrText = path;
        data.records << record;
    }
    QCOMPARE(notebook->restore(data), 1);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(notebook->editorAt(1)->toPlainText(), QStringLiteral("buy milk\n  fix <i>the</i> bike\n"));
    // The refused note stays in tab.dat, the user hears why, its file is left alone.
    QCOMPARE(notebook->restoreNotices().size(), 1);
    QVERIFY2(notebook->restoreNotices().first().contains(QString::number(longLine.size())),
             qPrintable(notebook->restoreNotices().first()));
    QCOMPARE(notebook->snapshot(QString()).records, data.records);
    QVERIFY(notebook->writeChangedNoteFiles().isEmpty());
    QFile file(tooLong);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), longLine);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("log.txt"), QStringLiteral("plan.txt")}));
}

void TestNotebook::bringsLostNotesBackOnScreen()
{
    TabStoreData data;
    TabRecord lost;
    lost.name = QStringLiteral("lost");
    lost.pathOrText = QStringLiteral("x");
    lost.onScreen = true;
    lost.geometry = QRect(5000, 3000, 320, 260);  // a monitor that was unplugged
    data.records << lost;
    notebook->restore(data);
    NoteWidget *note = notebook->noteList().first();
    QVERIFY(QTest::qWaitForWindowExposed(note));
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    QTRY_VERIFY(primary.contains(QRect(note->pos(), note->size())));
    QCOMPARE(note->size(), QSize(320, 260));
}

void TestNotebook::clampsRestoredNoteSize()
{
    TabStoreData data;
    TabRecord tiny;
    tiny.name = QStringLiteral("tiny");
    tiny.onScreen = true;
    tiny.geometry = QRect(100, 100, 50, 40);
    TabRecord huge = tiny;
    huge.name = QStringLiteral("huge");
    huge.geometry = QRect(100, 100, 1500, 1000);
    data.records << tiny << huge;
    notebook->restore(data);
    QCOMPARE(notebook->noteList().at(0)->size(), QSize(190, 230));
    QCOMPARE(notebook->noteList().at(1)->size(), QSize(800, 650));
}

void TestNotebook::writesChangedNoteFilesLikeASave()
{
    QTemporaryDir dir;
    const QString txt = dir.path() + QLatin1String("/plan.txt");
    QFile original(txt);
    QVERIFY(original.open(QIODevice::WriteOnly));
    original.write("plain text");
    original.close();

    TabStoreData data;
    TabRecord record;
    record.name = QStringLiteral("plan");
    record.fromFile = true;
    record.pathOrText = txt;
    data.records << record;
    notebook->restore(data);
    // Nothing changed: nothing is written.
    QVERIFY(notebook->writeChangedNoteFiles().isEmpty());
    QVERIFY(!QFileInfo::exists(txt + QLatin1String(".not")));

    auto *editor = notebook->editorAt(1);
    QTest::keyClicks(editor, QStringLiteral("edited "));
    QVERIFY(notebook->writeChangedNoteFiles().isEmpty());
    // Written like a save would: to plan.txt.not, which the tab is now bound to.
    const NoteFile::ReadResult written = NoteFile::read(txt + QLatin1String(".not"));
    QVERIFY(written.ok);
    QCOMPARE(written.text, editor->toHtml());
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), QByteArray("plain text"));
    QCOMPARE(notebook->fixedTabs().value(editor).path, txt + QLatin1String(".not"));
    QCOMPARE(notebook->snapshot(QString()).records.at(0).pathOrText, txt + QLatin1String(".not"));

    // A folder that is gone is reported, and the note stays due for writing.
    QTemporaryDir other;
    const QString doomed = other.path() + QLatin1String("/sub/x.not");
    QVERIFY(QDir().mkpath(other.path() + QLatin1String("/sub")));
    QCOMPARE(NoteFile::write(doomed, QStringLiteral("<p>x</p>")), QString());
    TabStoreData second;
    record.pathOrText = doomed;
    second.records << record;
    notebook->restore(second);
    auto *doomedEditor = notebook->editorAt(2);
    QTest::keyClicks(doomedEditor, QStringLiteral("y"));
    QVERIFY(QDir(other.path() + QLatin1String("/sub")).removeRecursively());
    QCOMPARE(notebook->writeChangedNoteFiles().size(), 1);
    QVERIFY(QDir().mkpath(other.path() + QLatin1String("/sub")));
    QVERIFY(notebook->writeChangedNoteFiles().isEmpty());
    QVERIFY(NoteFile::read(doomed).text.contains(QStringLiteral("y")));
}

void TestNotebook::vanishedFolderKeepsTextForNextStart_data()
{
    QTest::addColumn<bool>("typed");
    QTest::addColumn<bool>("onScreen");
    QTest::newRow("typed into a tab") << true << false;
    QTest::newRow("typed into a desktop note") << true << true;
    QTest::newRow("nothing typed") << false << false;
}

// A fixed tab bound to a note file whose folder is deleted: tab.dat keeps
// only the path, so its text goes to a recovery file beside tab.dat, and the
// next start brings it back from there and says so.
void TestNotebook::vanishedFolderKeepsTextForNextStart()
{
    QFETCH(bool, typed);
    QFETCH(bool, onScreen);
    QTemporaryDir store;
    QTemporaryDir other;
    const QString folder = other.path() + QLatin1String("/trip");
    const QString path = folder + QLatin1String("/plan.not");
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(NoteFile::write(path, QStringLiteral("<p>before</p>")), QString());
    TabStoreData data;
    TabRecord record;
    record.name = QStringLiteral("plan");
    record.fromFile = true;
    record.pathOrText = path;
    record.onScreen = onScreen;
    record.geometry = QRect(100, 100, 300, 250);
    data.records << record;
    notebook->setRecoveryFolder(store.path());
    notebook->restore(data);
    QTextEdit *editor = onScreen ? notebook->noteList().first()->getTextEdit() : notebook->editorAt(1);
    QTRY_VERIFY(editor->toPlainText().contains(QLatin1String("before")));
    if (typed) {
        editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor, QStringLiteral(" typed"));
    }
    QVERIFY(QDir(folder).removeRecursively());
    const QStringList errors = notebook->writeChangedNoteFiles();
    const QString recovery = notebook->recoveryPath(path);
    QVERIFY(recovery.startsWith(store.path()));
    QCOMPARE(QFileInfo::exists(recovery), typed);
    if (typed) {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(recovery), qPrintable(errors.first()));
    }

    // The next start, in a notebook of its own.
    QTabWidget nextTabs;
    auto *nextHome = new QTextEdit;
    nextTabs.addTab(nextHome, pin, QStringLiteral("便签首页"));
    Notebook next(&nextTabs, nextHome, pin, unpin);
    next.setRecoveryFolder(store.path());
    QCOMPARE(next.restore(notebook->snapshot(QString())), typed ? 0 : 1);
    QCOMPARE(next.restoreNotices().size(), 1);
    const QString notice = next.restoreNotices().first();
    QVERIFY2(notice.contains(QLatin1String("plan")) && notice.contains(path), qPrintable(notice));
    if (!typed) {
        // Nothing to bring back: the record stays in tab.dat for when the file returns.
        QCOMPARE(nextTabs.count() + next.noteList().size(), 1);
        QCOMPARE(next.snapshot(QString()).records, data.records);
        return;
    }
    QVERIFY2(notice.contains(recovery), qPrintable(notice));
    QTextEdit *back = onScreen ? next.noteList().first()->getTextEdit() : next.editorAt(1);
    QTRY_VERIFY(back->toPlainText().contains(QLatin1String("before typed")));
    // Still bound to its file: once the folder is back, the text goes there
    // and the recovery copy is no longer needed.
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(next.writeChangedNoteFiles().isEmpty());
    QVERIFY(NoteFile::read(path).text.contains(QLatin1String("before typed")));
    QVERIFY(!QFileInfo::exists(recovery));
}

void TestNotebook::reportsChangesToStoredNotes()
{
    QSignalSpy changed(notebook, &Notebook::changed);
    notebook->addTab(QStringLiteral("ordinary"));
    QTest::keyClicks(notebook->currentEditor(), QStringLiteral("abc"));
    QCOMPARE(changed.count(), 0);
    notebook->fixCurrent();
    QCOMPARE(changed.count(), 1);
    QTest::keyClicks(notebook->currentEditor(), QStringLiteral("d"));
    QCOMPARE(changed.count(), 2);
    notebook->renameTab(1, QStringLiteral("renamed"));
    QCOMPARE(changed.count(), 3);
    // Dragging the fixed tab past an ordinary one changes the stored order.
    notebook->addTab(QStringLiteral("second ordinary"));
    tabs->tabBar()->moveTab(1, 2);
    QCOMPARE(changed.count(), 4);
    tabs->setCurrentIndex(2);
    NoteWidget *note = notebook->moveCurrentToScreen(QString());
    QVERIFY(changed.count() >= 5);
    const int before = changed.count();
    note->move(note->pos() + QPoint(30, 30));
    QTRY_VERIFY(changed.count() > before);
}


void TestNotebook::arrivingNoteFileReplacesItsKeptRecord()
{
    // tab.dat came from the other computer before the note file did.
    TabRecord early;
    early.name = QStringLiteral("shop");
    early.fromFile = true;
    early.pathOrText = QStringLiteral("notes/not-here-yet.not");
    QCOMPARE(notebook->restore(TabStoreData{{early}, QString()}), 1);
    QWidget *page = notebook->addFileTab(early.name, early.pathOrText, QStringLiteral("<p>milk</p>"), true, false);
    QCOMPARE(notebook->pageForFile(early.pathOrText), page);
    QCOMPARE(notebook->textOf(page), QStringLiteral("<p>milk</p>"));
    const TabStoreData saved = notebook->snapshot(QString());
    QCOMPARE(saved.records.size(), 1);
    QCOMPARE(saved.records.first(), early);
}

void TestNotebook::appliesAnotherComputersLayout()
{
    QTemporaryDir dir;
    TabStoreData data;
    for (const char *name : {"a", "b", "c"}) {
        const QString path = dir.filePath(QString::fromLatin1(name) + QLatin1String(".not"));
        QCOMPARE(NoteFile::write(path, QStringLiteral("<p>%1</p>").arg(QLatin1String(name))), QString());
        TabRecord record;
        record.name = QString::fromLatin1(name);
        record.fromFile = true;
        record.pathOrText = path;
        data.records << record;
    }
    QCOMPARE(notebook->restore(data), 0);
    tabs->setCurrentIndex(0);
    // The other computer: c renamed and first, a on the screen, b last.
    TabStoreData other;
    TabRecord c = data.records.at(2);
    c.name = QStringLiteral("cee");
    TabRecord a = data.records.at(0);
    a.onScreen = true;
    a.geometry = QRect(120, 140, 300, 280);
    other.records << c << a << data.records.at(1);
    notebook->applyLayout(other, QString());
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QCOMPARE(titles, (QStringList{QStringLiteral("便签首页"), QStringLiteral("cee"), QStringLiteral("b")}));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(notebook->noteList().size(), 1);
    NoteWidget *note = notebook->noteList().first();
    QCOMPARE(note->getTextEdit()->toPlainText(), QStringLiteral("a"));
    QTRY_COMPARE(QRect(note->pos(), note->size()), a.geometry);
    // Stored as always: tabs left to right, then the notes on the screen.
    QCOMPARE(notebook->snapshot(QString()).records, (QList<TabRecord>{c, data.records.at(1), a}));
    // And back into the tabs, in its place.
    notebook->applyLayout(data, QString());
    QVERIFY(notebook->noteList().isEmpty());
    titles.clear();
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QCOMPARE(titles, (QStringList{QStringLiteral("便签首页"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

void TestNotebook::syncSeesAFileReplacedAfterTheRead()
{
    // The sync tool delivers the other computer's edit after the start-up
    // read and before the folder is watched: the tab must show that edit,
    // and no save may write the text read at start over it.
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("notes")));
    TabRecord record;
    record.name = QStringLiteral("shop");
    record.fromFile = true;
    record.pathOrText = QStringLiteral("notes/0123456789abcdef.not");
    QCOMPARE(NoteFile::write(record.pathOrText, QStringLiteral("<p>milk</p>")), QString());
    QCOMPARE(notebook->restore(TabStoreData{{record}, QString()}), 0);
    QCOMPARE(NoteFile::write(record.pathOrText, QStringLiteral("<p>milk and eggs</p>")), QString());

    NotebookSync::Store store;
    store.snapshot = [this] { return notebook->snapshot(QString()); };
    store.lastWritten = [record] { return TabStoreData{{record}, QString()}; };
    NotebookSync sync(notebook, dir.path(), store);
    sync.start();
    QWidget *page = notebook->pageForFile(record.pathOrText);
    QVERIFY(page);
    QVERIFY(notebook->textOf(page).contains(QLatin1String("milk and eggs")));
    QVERIFY(notebook->writeChangedNoteFiles().isEmpty());
    const NoteFile::ReadResult onDisk = NoteFile::read(record.pathOrText);
    QVERIFY(onDisk.text.contains(QLatin1String("milk and eggs")));
}

void TestNotebook::captureKeptUnderItsLastingNameAtOnce()
{
    // A pin shows its capture from memory and stores it after the first
    // paint; a save before that paint (a quit right after the pin) must
    // still keep the picture, under the name it has in the notebook.
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    addAndFix(QStringLiteral("pin"), QString());
    auto *editor = qobject_cast<NoteEditor *>(notebook->currentEditor());
    QVERIFY(editor);
    QImage shot(64, 48, QImage::Format_RGB32);
    shot.fill(QColor(200, 40, 90));
    editor->insertCapture(shot);

    QString html;
    for (const TabRecord &record : notebook->snapshot(QString()).records) {
        if (record.name == QLatin1String("pin"))
            html = record.pathOrText;
    }
    const QRegularExpressionMatch source = QRegularExpression(QStringLiteral("src=\"([^\"]+)\"")).match(html);
    QVERIFY2(source.hasMatch(), qPrintable(html));
    QVERIFY2(source.captured(1).startsWith(QLatin1String("pictures/")), qPrintable(source.captured(1)));
    QCOMPARE(QImage(dir.filePath(source.captured(1))).convertToFormat(QImage::Format_RGB32), shot);
}

QTEST_MAIN(TestNotebook)
#include "tst_notebook.moc"
