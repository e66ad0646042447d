#include "editingwindow.h"
#include "findbar.h"
#include "listformat.h"
#include "notewidget.h"
#include "tabledialog.h"

#include "tabstorefile.h"

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTextList>
#include <QTextTable>
#include <QToolButton>

using namespace EditingTools;

// The keys and clicks a note editor answers, in the real main window and a
// desktop note: format keys, tables, checklists (through tab.dat and back),
// the find bar.
class TestEditorBehaviour : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void formatKeysToggleSelection_data();
    void formatKeysToggleSelection();
    void tabWalksInsertedTable();
    void checklistTicksByClickAndSurvivesRestart_data();
    void checklistTicksByClickAndSurvivesRestart();
    void typedStartsMakeLists();
    void findBarSteps_data();
    void findBarSteps();
    void replaceAllIsOneUndoStep();
    void windowKeysRunCommands_data();
    void windowKeysRunCommands();

private:
    std::unique_ptr<EditingWindow> win;
};

void TestEditorBehaviour::init()
{
    win = std::make_unique<EditingWindow>();
    QVERIFY(win->show());
}

void TestEditorBehaviour::cleanup() { win.reset(); }

void TestEditorBehaviour::formatKeysToggleSelection_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("button");
    QTest::addRow("ctrl+b") << int(Qt::Key_B) << int(FormatBar::Bold);
    QTest::addRow("ctrl+i") << int(Qt::Key_I) << int(FormatBar::Italic);
    QTest::addRow("ctrl+u") << int(Qt::Key_U) << int(FormatBar::Underline);
}

void TestEditorBehaviour::formatKeysToggleSelection()
{
    QFETCH(int, key);
    QFETCH(int, button);
    const auto formatted = [key](const QTextCharFormat &f) {
        return key == Qt::Key_B ? f.fontWeight() > QFont::Normal
             : key == Qt::Key_I ? f.fontItalic()
                                : f.fontUnderline();
    };
    QTextEdit *editor = win->addNote(QStringLiteral("n"), QStringLiteral("hello world"));
    selectByKeys(editor, 6, 5);
    QTest::keyClick(editor, Qt::Key(key), Qt::ControlModifier);
    QVERIFY(formatted(formatAt(editor, 6)));
    QVERIFY(formatted(formatAt(editor, 10)));
    QVERIFY(!formatted(formatAt(editor, 4)));
    QVERIFY(win->bar()->button(FormatBar::Button(button))->isChecked());
    // Again: off, and the button follows.
    QTest::keyClick(editor, Qt::Key(key), Qt::ControlModifier);
    QVERIFY(!formatted(formatAt(editor, 8)));
    QVERIFY(!win->bar()->button(FormatBar::Button(button))->isChecked());
    // Undo and redo by key.
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(formatted(formatAt(editor, 8)));
    if (key == Qt::Key_B) {
        // What the key made is what tab.dat keeps: read back, "world" is bold.
        win->window->notes()->fixCurrent();
        QCOMPARE(win->window->saveNotebook(), QString());
        const TabStoreFile::LoadResult stored = TabStoreFile::load(win->path(QStringLiteral("tab.dat")));
        QCOMPARE(stored.status, TabStoreFile::Loaded);
        const auto note = std::find_if(stored.data.records.cbegin(), stored.data.records.cend(),
                                       [](const TabRecord &r) { return r.name == QLatin1String("n"); });
        QVERIFY(note != stored.data.records.cend());
        QTextDocument kept;
        kept.setHtml(note->pathOrText);
        QTextCursor world(&kept);
        world.setPosition(8);
        QVERIFY(world.charFormat().fontWeight() > QFont::Normal);
        world.setPosition(3);
        QVERIFY(world.charFormat().fontWeight() <= QFont::Normal);
    }
    QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(!formatted(formatAt(editor, 8)));
    // Esc while typing keeps the window.
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(win->window->isVisible());
}

void TestEditorBehaviour::tabWalksInsertedTable()
{
    QTextEdit *editor = win->addNote(QStringLiteral("t"), QStringLiteral("before"));
    whenModal<TableDialog>([](TableDialog *dialog) {
        auto *rows = dialog->findChild<QSpinBox *>(QStringLiteral("rowsBox"));
        QTest::keyClick(rows, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(rows, QStringLiteral("2"));
        auto *columns = dialog->findChild<QSpinBox *>(QStringLiteral("columnsBox"));
        QTest::keyClick(columns, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(columns, QStringLiteral("2"));
        QTest::mouseClick(dialog->findChild<QToolButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    }, [](TableDialog *dialog) { return dialog->height() == TableDialog::DialogHeight; });
    QTest::mouseClick(win->bar()->button(FormatBar::Table), Qt::LeftButton);
    QTRY_VERIFY(editor->textCursor().currentTable());
    QTextTable *table = editor->textCursor().currentTable();
    QCOMPARE(table->cellAt(editor->textCursor()).row(), 0);
    QCOMPARE(table->cellAt(editor->textCursor()).column(), 0);

    // Typed through every cell with Tab; the last Tab adds a row.
    for (const char *text : {"a", "b", "c", "d", "e"}) {
        QTest::keyClicks(editor, QString::fromLatin1(text));
        QTest::keyClick(editor, Qt::Key_Tab);
    }
    QCOMPARE(table->rows(), 3);
    const auto cellText = [table](int r, int c) {
        QTextCursor cursor = table->cellAt(r, c).firstCursorPosition();
        cursor.setPosition(table->cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cursor.selectedText();
    };
    QCOMPARE(cellText(0, 0), QStringLiteral("a"));
    QCOMPARE(cellText(0, 1), QStringLiteral("b"));
    QCOMPARE(cellText(1, 1), QStringLiteral("d"));
    QCOMPARE(cellText(2, 0), QStringLiteral("e"));
    QCOMPARE(table->cellAt(editor->textCursor()).row(), 2);
    QCOMPARE(table->cellAt(editor->textCursor()).column(), 1);
    // Shift+Tab goes back, without typing a tab anywhere.
    QTest::keyClick(editor, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(table->cellAt(editor->textCursor()).row(), 1);
    QCOMPARE(table->cellAt(editor->textCursor()).column(), 1);
    QVERIFY(!editor->toPlainText().contains(QLatin1Char('\t')));
}

void TestEditorBehaviour::checklistTicksByClickAndSurvivesRestart_data()
{
    QTest::addColumn<int>("paragraphsBefore");
    QTest::addRow("short note") << 0;
    // Long enough for the store's piecewise HTML reading.
    QTest::addRow("long note") << 4000;
}

void TestEditorBehaviour::checklistTicksByClickAndSurvivesRestart()
{
    QFETCH(int, paragraphsBefore);
    QTextEdit *editor = win->addNote(QStringLiteral("list"));
    if (paragraphsBefore) {
        QTextCursor cursor(editor->document());
        for (int i = 0; i < paragraphsBefore; ++i)
            cursor.insertText(QStringLiteral("paragraph %1 of a long note, long enough to be cut\n").arg(i));
        editor->setTextCursor(cursor);
    }
    QTest::keyClicks(editor, QStringLiteral("milk"));
    QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("bread"));
    const QTextBlock milk = editor->document()->findBlockByNumber(paragraphsBefore);
    const QTextBlock bread = milk.next();
    QCOMPARE(milk.text(), QStringLiteral("milk"));
    QCOMPARE(ListFormat::kindOf(bread), ListFormat::Kind::Checklist);
    QCOMPARE(milk.blockFormat().marker(), QTextBlockFormat::MarkerType::Unchecked);

    // A click on the text does not tick; a click on the box does.
    QTextCursor at(milk);
    editor->setTextCursor(at);
    editor->ensureCursorVisible();
    const QRect line = editor->cursorRect(at);
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(line.left() + 12, line.center().y()));
    QCOMPARE(milk.blockFormat().marker(), QTextBlockFormat::MarkerType::Unchecked);
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(line.left() - 8, line.center().y()));
    QCOMPARE(milk.blockFormat().marker(), QTextBlockFormat::MarkerType::Checked);
    QCOMPARE(bread.blockFormat().marker(), QTextBlockFormat::MarkerType::Unchecked);
    QVERIFY(formatAt(editor, milk.position()).fontStrikeOut());

    win->window->notes()->fixCurrent();
    QCOMPARE(win->window->saveNotebook(), QString());
    const QString saved = win->path(QStringLiteral("tab.dat"));
    const auto copyStore = [saved](const QString &dir) { QFile::copy(saved, dir + QLatin1String("/tab.dat")); };
    EditingWindow again("<p>home</p>", copyStore);
    QVERIFY(again.show());
    QTabWidget *tabs = again.tabs();
    QCOMPARE(tabs->count(), 2);
    tabs->setCurrentIndex(1);
    QTextEdit *restored = again.current();
    QTRY_VERIFY(restored->document()->blockCount() > paragraphsBefore + 1);
    const QTextBlock milkAgain = restored->document()->findBlockByNumber(paragraphsBefore);
    QCOMPARE(milkAgain.text(), QStringLiteral("milk"));
    QCOMPARE(ListFormat::kindOf(milkAgain), ListFormat::Kind::Checklist);
    QCOMPARE(milkAgain.blockFormat().marker(), QTextBlockFormat::MarkerType::Checked);
    QCOMPARE(milkAgain.next().text(), QStringLiteral("bread"));
    QCOMPARE(milkAgain.next().blockFormat().marker(), QTextBlockFormat::MarkerType::Unchecked);
    QVERIFY(milkAgain.textList() && milkAgain.textList() == milkAgain.next().textList());
}

void TestEditorBehaviour::typedStartsMakeLists()
{
    QTextEdit *editor = win->addNote(QStringLiteral("typed"));
    QTest::keyClicks(editor, QStringLiteral("- one"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClick(editor, Qt::Key_Return); // an empty item ends the list
    QTest::keyClicks(editor, QStringLiteral("[ ] two"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("a - b"));
    QTextBlock block = editor->document()->begin();
    QCOMPARE(block.text(), QStringLiteral("one"));
    QCOMPARE(ListFormat::kindOf(block), ListFormat::Kind::Bullet);
    block = block.next();
    QCOMPARE(block.text(), QStringLiteral("two"));
    QCOMPARE(ListFormat::kindOf(block), ListFormat::Kind::Checklist);
    block = block.next();
    QCOMPARE(block.text(), QStringLiteral("a - b"));
    QCOMPARE(ListFormat::kindOf(block), ListFormat::Kind::None);
}

void TestEditorBehaviour::findBarSteps_data()
{
    QTest::addColumn<bool>("onDesktop");
    QTest::addRow("tab") << false;
    QTest::addRow("desktop note") << true;
}

void TestEditorBehaviour::findBarSteps()
{
    QFETCH(bool, onDesktop);
    QTextEdit *editor = win->addNote(QStringLiteral("find"));
    editor->setPlainText(QStringLiteral("Alpha beta alphabet\n便签alpha 表格\nalpha"));
    if (onDesktop) {
        NoteWidget *note = win->window->notes()->moveCurrentToScreen(QString());
        QVERIFY(QTest::qWaitForWindowExposed(note));
        note->activateWindow();
        QTRY_VERIFY(note->isActiveWindow());
        QCOMPARE(note->getTextEdit(), editor);
    }
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    FindBar *bar = FindBar::existing(editor);
    QVERIFY(bar);
    QTRY_VERIFY(bar->isVisible() && bar->findField()->hasFocus());
    QTest::keyClicks(bar->findField(), QStringLiteral("alpha"));
    QCOMPARE(bar->matchCount(), 4);
    QCOMPARE(bar->countLabel()->text(), QStringLiteral("1/4"));
    QCOMPARE(editor->textCursor().selectionStart(), 0);
    QCOMPARE(bar->paintedCount(), 4);

    QTest::keyClick(bar->findField(), Qt::Key_Return);
    QCOMPARE(editor->textCursor().selectionStart(), 11);
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("alpha"));
    QTest::keyClick(bar->findField(), Qt::Key_F3);
    QCOMPARE(editor->textCursor().selectionStart(), 22);
    QCOMPARE(bar->countLabel()->text(), QStringLiteral("3/4"));
    QTest::keyClick(bar->findField(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(editor->textCursor().selectionStart(), 11);

    // Whole words: "alphabet" drops out, the word beside Chinese stays.
    QTest::mouseClick(bar->findChild<QToolButton *>(QStringLiteral("wordButton")), Qt::LeftButton);
    QCOMPARE(bar->matchCount(), 3);
    QTest::mouseClick(bar->findChild<QToolButton *>(QStringLiteral("caseButton")), Qt::LeftButton);
    QCOMPARE(bar->matchCount(), 2);

    // Esc closes only the bar; the typing goes on in the note.
    QTest::keyClick(bar->findField(), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QVERIFY(editor->extraSelections().isEmpty());
    QVERIFY(editor->window()->isVisible());
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(editor->window()->isVisible());
}

void TestEditorBehaviour::replaceAllIsOneUndoStep()
{
    QTextEdit *editor = win->addNote(QStringLiteral("replace"), QStringLiteral("cat dog cat bird cat"));
    QTest::keyClick(editor, Qt::Key_H, Qt::ControlModifier);
    FindBar *bar = FindBar::existing(editor);
    QVERIFY(bar && bar->replaceField()->isVisible());
    QTest::keyClicks(bar->findField(), QStringLiteral("cat"));
    bar->replaceField()->insert(QStringLiteral("猫"));
    // Enter in the replace field replaces the selected match, then selects the next.
    QTest::keyClick(bar->replaceField(), Qt::Key_Return);
    QCOMPARE(editor->toPlainText(), QStringLiteral("猫 dog cat bird cat"));
    QCOMPARE(bar->countLabel()->text(), QStringLiteral("1/2"));
    QTest::mouseClick(bar->findChild<QToolButton *>(QStringLiteral("replaceAllButton")), Qt::LeftButton);
    QCOMPARE(editor->toPlainText(), QStringLiteral("猫 dog 猫 bird 猫"));
    QCOMPARE(bar->matchCount(), 0);
    editor->undo();
    QCOMPARE(editor->toPlainText(), QStringLiteral("猫 dog cat bird cat"));
}

void TestEditorBehaviour::windowKeysRunCommands_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("dialogTitle"); // empty: no dialog
    QTest::addRow("ctrl+n: name bar") << int(Qt::Key_N) << QString();
    QTest::addRow("ctrl+f: find bar") << int(Qt::Key_F) << QString();
    QTest::addRow("ctrl+s: save") << int(Qt::Key_S) << QStringLiteral("保存文件");
    QTest::addRow("ctrl+o: open") << int(Qt::Key_O) << QStringLiteral("选择文件");
    QTest::addRow("ctrl+p: print") << int(Qt::Key_P) << QStringLiteral("打印便签");
}

void TestEditorBehaviour::windowKeysRunCommands()
{
    QFETCH(int, key);
    QFETCH(QString, dialogTitle);
    QTextEdit *editor = win->addNote(QStringLiteral("keys"), QStringLiteral("some text"));
    // The keys are not in the note: the window's own shortcuts answer.
    win->window->activateWindow();
    QTRY_VERIFY(win->window->isActiveWindow());
    QTabBar *tabBar = win->tabs()->tabBar();
    tabBar->setFocus();
    QTRY_VERIFY(tabBar->hasFocus());
    QString shown;
    if (!dialogTitle.isEmpty())
        whenModal<QDialog>([&shown](QDialog *dialog) { shown = dialog->windowTitle(); });
    QTest::keyClick(tabBar, Qt::Key(key), Qt::ControlModifier);
    if (!dialogTitle.isEmpty()) {
        QTRY_COMPARE(shown, dialogTitle);
    } else if (key == Qt::Key_N) {
        QTRY_VERIFY(win->child<QWidget>("nameBar")->isVisible());
    } else {
        QVERIFY(FindBar::existing(editor) && FindBar::existing(editor)->isVisible());
        QTRY_VERIFY(FindBar::existing(editor)->findField()->hasFocus());
    }
}

QTEST_MAIN(TestEditorBehaviour)
#include "tst_editorbehaviour.moc"
