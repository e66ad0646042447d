#include "editingwindow.h"
#include "notedirectory.h"
#include "notewidget.h"
#include "promptbar.h"
#include "tabstorefile.h"

#include <QLineEdit>
#include <QToolButton>

// Every note the search and the list reach, in the real main window: tabs
// not shown yet, typed-in tabs, desktop notes, read-only file tabs.
class TestNoteDirectory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void searchesEveryKindOfNoteButNotMarkup();
    void showsTheMatchWhereverTheNoteIs();
    void renameStartsFromTheNameAndNumbersATakenOne();

private:
    QStringList namesFound(const QString &word);

    std::unique_ptr<EditingWindow> win;
    NoteDirectory *directory = nullptr;
};

void TestNoteDirectory::init()
{
    win = std::make_unique<EditingWindow>("<p><b>首页</b> kiwi home</p>", [](const QString &dir) {
        TabStoreData data;
        for (const QString &html : {QStringLiteral("<p>apple <b>kiw</b>i pie</p>"),
                                    QStringLiteral("<p>plum and 猕猴桃 kiwi</p>"),
                                    QStringLiteral("<p>pear</p>")}) {
            TabRecord record;
            record.name = QStringLiteral("fixed %1").arg(data.records.size() + 1);
            record.pathOrText = html;
            data.records << record;
        }
        QVERIFY(TabStoreFile::save(dir + QLatin1String("/tab.dat"), data).ok);
    });
    QVERIFY(win->show());
    directory = win->window->findChild<NoteDirectory *>();
    QVERIFY(directory);
}

void TestNoteDirectory::cleanup() { win.reset(); }

QStringList TestNoteDirectory::namesFound(const QString &word)
{
    QStringList names;
    for (const NoteSearch::Hit &hit : directory->search(word, 100).shown)
        names << directory->entryOf(reinterpret_cast<QWidget *>(hit.key)).name;
    return names;
}

void TestNoteDirectory::searchesEveryKindOfNoteButNotMarkup()
{
    Notebook *notes = win->window->notes();
    // A desktop note, a scratch tab typed into, a read-only tab of a note file.
    win->tabs()->setCurrentIndex(2);
    QVERIFY(notes->moveCurrentToScreen(QString()));
    win->addNote(QStringLiteral("scratch"), QStringLiteral("Kiwi jam"));
    notes->addFileTab(QStringLiteral("copy（冲突）"), win->path(QStringLiteral("copy.not")),
                      QStringLiteral("<p>old kiwi</p>"), false, true);

    // What the user sees is found across tags; the tags themselves and the home page are not.
    QCOMPARE(namesFound(QStringLiteral("KIWI")),
             (QStringList{"fixed 1", "scratch", "copy（冲突）", "fixed 2"}));
    QCOMPARE(namesFound(QStringLiteral("<b>")), QStringList());
    QCOMPARE(namesFound(QStringLiteral("猕猴桃")), QStringList{"fixed 2"});

    QList<NoteDirectory::Kind> kinds;
    for (const NoteDirectory::Entry &entry : directory->entries())
        kinds << entry.kind;
    QCOMPARE(kinds, (QList<NoteDirectory::Kind>{NoteDirectory::Kind::Home, NoteDirectory::Kind::Fixed,
                                                NoteDirectory::Kind::Fixed, NoteDirectory::Kind::Scratch,
                                                NoteDirectory::Kind::File, NoteDirectory::Kind::Desktop}));

    // An edit is seen at the next keystroke, in a tab and in a desktop note.
    QTest::keyClicks(win->current(), QStringLiteral(" fig"));
    QCOMPARE(namesFound(QStringLiteral("fig")), QStringList{"scratch"});
    QTextEdit *desktop = notes->noteList().first()->getTextEdit();
    desktop->moveCursor(QTextCursor::End);
    QTest::keyClicks(desktop, QStringLiteral(" figs"));
    QCOMPARE(namesFound(QStringLiteral("fig")), (QStringList{"scratch", "fixed 2"}));
    desktop->clear();
    QCOMPARE(namesFound(QStringLiteral("fig")), QStringList{"scratch"});
}

void TestNoteDirectory::showsTheMatchWhereverTheNoteIs()
{
    Notebook *notes = win->window->notes();
    win->tabs()->setCurrentIndex(2);
    NoteWidget *note = notes->moveCurrentToScreen(QString());
    QVERIFY(note);
    QTRY_VERIFY(note->isVisible());
    note->lower();

    // A tab never shown: its editor is built, made current, the word selected.
    QWidget *first = win->tabs()->widget(1);
    QTextEdit *editor = directory->showMatch(first, QStringLiteral("KIWI"));
    QVERIFY(editor);
    QCOMPARE(win->tabs()->currentWidget(), editor);
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("kiwi"));

    // A desktop note comes up with its match selected.
    editor = directory->showMatch(note->getTextEdit(), QStringLiteral("猕猴桃"));
    QCOMPARE(editor, note->getTextEdit());
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("猕猴桃"));
    QTRY_VERIFY(note->isActiveWindow());
}

void TestNoteDirectory::renameStartsFromTheNameAndNumbersATakenOne()
{
    win->tabs()->setCurrentIndex(1);
    auto *bar = win->window->findChildren<PromptBar *>().first();
    for (PromptBar *candidate : win->window->findChildren<PromptBar *>()) {
        if (candidate->edit())
            bar = candidate;
    }
    QTest::mouseClick(win->child<QToolButton>("renameButton"), Qt::LeftButton);
    QTRY_VERIFY(bar->edit()->hasFocus());
    QCOMPARE(bar->edit()->text(), QStringLiteral("fixed 1"));
    QCOMPARE(bar->edit()->selectedText(), QStringLiteral("fixed 1"));

    // Typing replaces the whole name; a name another tab has is numbered.
    QTest::keyClicks(bar->edit(), QStringLiteral("fixed 2"));
    QTest::keyClick(bar->edit(), Qt::Key_Return);
    QTRY_COMPARE(win->tabs()->tabText(1), QStringLiteral("fixed 2 (2)"));
    QCOMPARE(win->tabs()->tabText(2), QStringLiteral("fixed 2"));

    // Its own name again is no clash.
    QTest::mouseClick(win->child<QToolButton>("renameButton"), Qt::LeftButton);
    QTRY_VERIFY(bar->edit()->hasFocus());
    QTest::keyClick(bar->edit(), Qt::Key_Return);
    QTRY_VERIFY(!bar->isVisible());
    QCOMPARE(win->tabs()->tabText(1), QStringLiteral("fixed 2 (2)"));
}

QTEST_MAIN(TestNoteDirectory)
#include "tst_notedirectory.moc"
