#include "editingwindow.h"
#include "menudialog.h"
#include "notefileactions.h"
#include "recordheader.h"
#include "tabledialog.h"
#include "tableshape.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTextTable>
#include <QToolButton>

using namespace EditingTools;

// Records, tables, printing, clearing and note files, each started the way
// the user starts it: toolbar buttons, the menu panel and the real dialogs.
class TestEditingCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void recordsStackNewestFirst();
    void recordButtonStampsNowAtTop();
    void tableDialog_data();
    void tableDialog();
    void tableDialogForgetsLastChoice();
    void printsToPdf_data();
    void printsToPdf();
    void cleanEmptiesCurrentNote();
    void savesAndOpensThroughMenuPanel();
    void fileDialogsAndRefusals();

private:
    QToolButton *toolbarButton(FormatBar::Button which) const { return win->bar()->button(which); }
    void clickPanelButton(const char *name);
    QString tip() const { return win->child<QLabel>("tipLabel")->text(); }
    QTextTable *onlyTable(QTextEdit *editor) const;

    std::unique_ptr<EditingWindow> win;
};

void TestEditingCommands::init()
{
    win = std::make_unique<EditingWindow>();
    QVERIFY(win->show());
}

void TestEditingCommands::cleanup()
{
    win.reset();
}

void TestEditingCommands::clickPanelButton(const char *name)
{
    auto *panel = win->window->findChild<MenuDialog *>(QStringLiteral("menuPanel"));
    QTest::mouseClick(win->child<QPushButton>("titleButton"), Qt::LeftButton);
    QTRY_VERIFY(panel->isVisible());
    QTest::mouseClick(panel->findChild<QToolButton *>(QString::fromLatin1(name)), Qt::LeftButton);
}

QTextTable *TestEditingCommands::onlyTable(QTextEdit *editor) const
{
    QTextTable *found = nullptr;
    int count = 0;
    for (QTextFrame *frame : editor->document()->rootFrame()->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(frame)) {
            found = table;
            ++count;
        }
    }
    return count == 1 ? found : nullptr;
}

void TestEditingCommands::recordsStackNewestFirst()
{
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("body"));
    RecordHeader::insertAtTop(editor, QDateTime(QDate(2024, 2, 3), QTime(9, 5, 7)));
    QTest::keyClicks(editor, QStringLiteral("older"));
    RecordHeader::insertAtTop(editor, QDateTime(QDate(2024, 12, 31), QTime(23, 0, 0)));
    QTest::keyClicks(editor, QStringLiteral("newer"));

    const QString rule(14, QLatin1Char('='));
    const QString breaks(2, QChar(QChar::LineSeparator));
    const QChar line(QChar::LineSeparator);
    const QStringList expected{rule + line + QLatin1String("2024-12-31 23:00:00") + line + rule + breaks, QString(),
                               QStringLiteral("newer"),
                               rule + line + QLatin1String("2024-02-03 09:05:07") + line + rule + breaks, QString(),
                               QStringLiteral("older"), QStringLiteral("body")};
    const QList<bool> expectedRules{false, true, false, false, true, false, false};
    const auto blocksOf = [](QTextDocument *doc, QList<bool> *rules) {
        QStringList blocks;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            blocks << block.text();
            *rules << block.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth);
        }
        return blocks;
    };
    QList<bool> rules;
    QCOMPARE(blocksOf(editor->document(), &rules), expected);
    QCOMPARE(rules, expectedRules);

    // Everything survives saving as HTML (a rule's paragraph keeps no text).
    QTextDocument reread;
    reread.setHtml(editor->toHtml());
    rules.clear();
    QCOMPARE(blocksOf(&reread, &rules), expected);
    QCOMPARE(rules, expectedRules);

    // Headers are bold red; the text typed after them is not.
    const QString text = editor->toPlainText();
    for (const QString &stamp : {QStringLiteral("2024-12-31 23:00:00"), QStringLiteral("2024-02-03 09:05:07")}) {
        const int at = text.indexOf(rule + QLatin1Char('\n') + stamp);
        QVERIFY(at >= 0);
        for (int i = at; i < at + 49; ++i) {
            if (text.at(i) == QLatin1Char('\n'))
                continue;
            QCOMPARE(formatAt(editor, i).foreground().color(), QColor(Qt::red));
            QCOMPARE(formatAt(editor, i).fontWeight(), int(QFont::Bold));
        }
    }
    QVERIFY(formatAt(editor, text.indexOf(QLatin1String("older"))).fontWeight() != QFont::Bold);
}

void TestEditingCommands::recordButtonStampsNowAtTop()
{
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("first line"));
    const QDateTime before = QDateTime::currentDateTime();
    QTest::mouseClick(toolbarButton(FormatBar::Record), Qt::LeftButton);
    const QDateTime after = QDateTime::currentDateTime();
    QTest::keyClicks(editor, QStringLiteral("entry"));

    const QRegularExpression header(QStringLiteral("^={14}\\x{2028}(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)\\x{2028}={14}\\x{2028}\\x{2028}$"));
    const auto match = header.match(editor->document()->firstBlock().text());
    QVERIFY2(match.hasMatch(), qPrintable(editor->document()->firstBlock().text()));
    const QDateTime stamped = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY(stamped.isValid());
    QVERIFY(stamped >= before.addMSecs(-before.time().msec()));
    QVERIFY(stamped <= after);
    QCOMPARE(editor->document()->findBlockByNumber(2).text(), QStringLiteral("entry"));
    QCOMPARE(editor->document()->lastBlock().text(), QStringLiteral("first line"));

    // In the window's first size every line of the header fits: the date is not wrapped.
    QCOMPARE(win->window->size(), QSize(400, 350));
    const QTextLayout *layout = editor->document()->firstBlock().layout();
    QCOMPARE(layout->lineAt(0).textLength(), 15); // the rule and its break
    const QTextLine dateLine = layout->lineForTextPosition(int(match.capturedStart(1)));
    QCOMPARE(dateLine.textStart(), int(match.capturedStart(1)));
    QCOMPARE(dateLine.textLength(), 20);
    QVERIFY(dateLine.naturalTextWidth() <= editor->viewport()->width());
}

void TestEditingCommands::tableDialog_data()
{
    QTest::addColumn<int>("startRows"); // 0: no table under the cursor
    QTest::addColumn<int>("startColumns");
    QTest::addColumn<QString>("rows");  // typed into the boxes; empty: left as they are
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("width");
    QTest::addColumn<int>("align");
    QTest::addColumn<QString>("answer"); // ok, cancel or escape
    QTest::addColumn<int>("endRows");   // 0: no table afterwards
    QTest::addColumn<int>("endColumns");
    QTest::addColumn<int>("percent");

    QTest::newRow("defaults outside a table") << 0 << 0 << "" << "" << "" << 0 << "ok" << 3 << 3 << 33;
    QTest::newRow("4x4 reshaped to 2x5") << 4 << 4 << "2" << "5" << "" << 1 << "ok" << 2 << 5 << 20;
    QTest::newRow("narrow, right") << 0 << 0 << "2" << "3" << "20" << 2 << "ok" << 2 << 3 << 6;
    QTest::newRow("wide single column") << 0 << 0 << "1" << "1" << "200" << 0 << "ok" << 1 << 1 << 200;
    QTest::newRow("0 rows cannot be asked for") << 0 << 0 << "0" << "" << "" << 0 << "ok" << 3 << 3 << 33;
    QTest::newRow("cancel button") << 0 << 0 << "5" << "" << "" << 0 << "cancel" << 0 << 0 << 0;
    QTest::newRow("escape keeps the old table") << 4 << 4 << "2" << "" << "" << 0 << "escape" << 4 << 4 << 0;
    QTest::newRow("answered while dropping down") << 0 << 0 << "2" << "2" << "" << 0 << "early" << 2 << 2 << 50;
}

void TestEditingCommands::tableDialog()
{
    QFETCH(int, startRows);
    QFETCH(int, startColumns);
    QFETCH(QString, rows);
    QFETCH(QString, columns);
    QFETCH(QString, width);
    QFETCH(int, align);
    QFETCH(QString, answer);
    QFETCH(int, endRows);
    QFETCH(int, endColumns);
    QFETCH(int, percent);

    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("before"));
    QPointer<QTextTable> old;
    if (startRows) {
        old = TableShape(startRows, startColumns, 50, 2).applyAt(editor->textCursor());
        editor->setTextCursor(old->cellAt(1, 1).firstCursorPosition());
    }
    const QString htmlBefore = editor->toHtml();

    bool answered = false;
    const QRect window = win->window->geometry();
    const bool early = answer == QLatin1String("early");
    const QRect unfolded(window.x() + window.width() / 2 - 140, window.y(), 280, 120);
    const auto dropped = [unfolded](TableDialog *dialog) { return dialog->geometry() == unfolded; };
    whenModal<TableDialog>([&](TableDialog *dialog) {
        answered = true;
        // Unfolded from the top edge, centred on the main window (or still unfolding).
        QCOMPARE(dialog->geometry() == unfolded, !early);
        QCOMPARE(dialog->geometry().topLeft(), unfolded.topLeft());
        const auto type = [dialog](const char *name, const QString &text) {
            if (text.isEmpty())
                return;
            auto *box = dialog->findChild<QSpinBox *>(QString::fromLatin1(name));
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, text);
        };
        type("rowsBox", rows);
        type("columnsBox", columns);
        type("widthBox", width);
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("alignCombo"));
        for (int i = 0; i < align; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        if (answer == QLatin1String("escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog->findChild<QToolButton *>(early ? QStringLiteral("okButton")
                                                                     : answer + QLatin1String("Button")),
                              Qt::LeftButton);
    }, early ? std::function<bool(TableDialog *)>() : dropped);
    QTest::mouseClick(toolbarButton(FormatBar::Table), Qt::LeftButton);
    auto *dialog = win->window->findChild<TableDialog *>();
    QTRY_VERIFY(answered);
    QTRY_VERIFY(!dialog->isVisible());

    if (answer == QLatin1String("early")) {
        // Taken when the drop-down ends, without asking again.
        QTRY_VERIFY(onlyTable(editor));
        QTest::qWait(100);
        QVERIFY(!dialog->isVisible());
    } else if (answer != QLatin1String("ok")) {
        QTest::qWait(100);
        QCOMPARE(editor->toHtml(), htmlBefore);
        return;
    }
    QTextTable *table = onlyTable(editor);
    QVERIFY(table);
    if (startRows)
        QCOMPARE(table, old.data());
    QCOMPARE(table->rows(), endRows);
    QCOMPARE(table->columns(), endColumns);
    const QTextTableFormat format = table->format();
    QCOMPARE(format.columnWidthConstraints(),
             QList<QTextLength>(endColumns, QTextLength(QTextLength::PercentageLength, percent)));
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignCenter, Qt::AlignRight};
    QCOMPARE(format.alignment(), alignments[align]);
    QCOMPARE(format.borderStyle(), QTextFrameFormat::BorderStyle_Groove);
    QCOMPARE(format.cellSpacing(), qreal(0));
    QCOMPARE(format.cellPadding(), qreal(1));
    QVERIFY(editor->toPlainText().startsWith(QStringLiteral("before")));
}

void TestEditingCommands::tableDialogForgetsLastChoice()
{
    win->addNote(QStringLiteral("a"));
    for (int round = 0; round < 2; ++round) {
        bool answered = false;
        whenModal<TableDialog>([&](TableDialog *dialog) {
            answered = true;
            const TableShape shape = dialog->shape();
            QCOMPARE(shape.rows(), 3);
            QCOMPARE(shape.columns(), 3);
            QCOMPARE(shape.widthPercent(), 100);
            QCOMPARE(shape.alignIndex(), 0);
            for (const char *name : {"rowsBox", "columnsBox", "widthBox"}) {
                auto *box = dialog->findChild<QSpinBox *>(QString::fromLatin1(name));
                QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(box, QStringLiteral("7"));
            }
            QTest::keyClick(dialog->findChild<QComboBox *>(QStringLiteral("alignCombo")), Qt::Key_Down);
            QTest::keyClick(dialog, Qt::Key_Escape);
        }, [](TableDialog *dialog) { return dialog->height() == 120; });
        QTest::mouseClick(toolbarButton(FormatBar::Table), Qt::LeftButton);
        QTRY_VERIFY(answered);
        QTRY_VERIFY(!win->window->findChild<TableDialog *>()->isVisible());
    }
}

void TestEditingCommands::printsToPdf_data()
{
    QTest::addColumn<bool>("select");        // select the second paragraph first
    QTest::addColumn<bool>("selectionOnly"); // choose "Selection" in the dialog
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QStringList>("notPrinted");
    // Words without ligatures, so that the PDF's text reads back letter for letter.
    const QStringList both{QStringLiteral("north side"), QStringLiteral("south side")};
    QTest::newRow("no selection") << false << false << true << both << QStringList();
    QTest::newRow("selection, print all") << true << false << true << both << QStringList();
    QTest::newRow("selection only") << true << true << true << QStringList{QStringLiteral("south side")}
                                    << QStringList{QStringLiteral("north")};
    QTest::newRow("cancelled") << true << false << false << QStringList() << QStringList();
}

void TestEditingCommands::printsToPdf()
{
    QFETCH(bool, select);
    QFETCH(bool, selectionOnly);
    QFETCH(bool, accept);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, notPrinted);

    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("north side"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("south side"));
    if (select)
        selectByKeys(editor, 11, 10);
    const QString pdf = win->path(QStringLiteral("note.pdf"));

    bool answered = false;
    bool hasPdfPrinter = true;
    whenModal<QPrintDialog>([&](QPrintDialog *dialog) {
        answered = true;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("打印便签"));
        QCOMPARE(dialog->testOption(QAbstractPrintDialog::PrintSelection), select);
        auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
        const int pdfIndex = printers ? printers->findText(QStringLiteral("PDF"), Qt::MatchContains) : -1;
        if (pdfIndex < 0 || !accept) {
            hasPdfPrinter = pdfIndex >= 0;
            dialog->reject();
            return;
        }
        printers->setCurrentIndex(pdfIndex);
        auto *file = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
        QTest::keyClick(file, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(file, pdf);
        // The range choices sit behind the "Options" button.
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            if (button->text().contains(QLatin1String("Options")))
                QTest::mouseClick(button, Qt::LeftButton);
        }
        auto *all = dialog->findChild<QRadioButton *>(QStringLiteral("printAll"));
        QTRY_VERIFY(all->isVisible());
        QTest::qWait(50);
        QVERIFY(all->isChecked());
        // Offered only with a selection.
        auto *selection = dialog->findChild<QRadioButton *>(QStringLiteral("printSelection"));
        QCOMPARE(selection->isVisible() && selection->isEnabled(), select);
        // On the round button: the radio button is wider than what it draws.
        if (selectionOnly)
            QTest::mouseClick(selection, Qt::LeftButton, {}, QPoint(8, selection->height() / 2));
        QCOMPARE(selection->isChecked(), selectionOnly);
        auto *box = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::mouseClick(toolbarButton(FormatBar::Print), Qt::LeftButton);
    QTRY_VERIFY(answered);
    if (!hasPdfPrinter)
        QSKIP("the print dialog offers no PDF output here");
    if (!accept) {
        QVERIFY(!QFile::exists(pdf));
        return;
    }
    QVERIFY(QFile::exists(pdf));
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(20000));
    QCOMPARE(pdftotext.exitCode(), 0);
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    for (const QString &part : printed)
        QVERIFY2(text.contains(part), qPrintable(text));
    for (const QString &part : notPrinted)
        QVERIFY2(!text.contains(part), qPrintable(text));
}

void TestEditingCommands::cleanEmptiesCurrentNote()
{
    QTextEdit *kept = win->addNote(QStringLiteral("kept"), QStringLiteral("stays"));
    QTextEdit *cleared = win->addNote(QStringLiteral("cleared"), QStringLiteral("goes away"));
    clickPanelButton("cleanButton");
    QVERIFY(cleared->document()->isEmpty());
    QCOMPARE(tip(), QStringLiteral("已清除便签内容"));
    QCOMPARE(kept->toPlainText(), QStringLiteral("stays"));

    // The home page is a note like the others here.
    QTextEdit *home = win->child<QTextEdit>("homeEdit");
    win->tabs()->setCurrentWidget(home);
    QVERIFY(!home->document()->isEmpty());
    clickPanelButton("cleanButton");
    QVERIFY(home->document()->isEmpty());
}

void TestEditingCommands::savesAndOpensThroughMenuPanel()
{
    // The file dialogs answer through the note-file commands' choosers.
    auto *files = win->window->findChild<NoteFileActions *>(QStringLiteral("noteFileActions"));
    const QString memo = win->path(QStringLiteral("memo"));
    int saveAsked = 0;
    files->setSaveChooser([&](QWidget *parent) {
        ++saveAsked;
        [&] { QCOMPARE(parent, win->window); }();
        return memo;
    });
    files->setOpenChooser([&](QWidget *) { return memo + QLatin1String(".not"); });

    QTextEdit *editor = win->addNote(QStringLiteral("a"));
    editor->setHtml(QStringLiteral("<p><b>Bold</b> then plain</p>"));
    clickPanelButton("saveButton");
    QCOMPARE(saveAsked, 1);
    QCOMPARE(tip(), QStringLiteral("已保存便签内容"));
    QFile saved(memo + QLatin1String(".not"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), editor->toHtml());
    saved.close();

    // Bound now: the second save asks nothing.
    editor->append(QStringLiteral("more"));
    clickPanelButton("saveButton");
    QCOMPARE(saveAsked, 1);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("more"));
    saved.close();

    // Opened again into a new tab, named after the file, showing its format.
    win->bar()->fontBox();
    clickPanelButton("openButton");
    QTabWidget *tabs = win->tabs();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 2);
    QCOMPARE(tabs->tabText(2), QStringLiteral("memo"));
    QTextEdit *opened = win->current();
    QVERIFY(opened != editor);
    QCOMPARE(opened->toPlainText(), editor->toPlainText());
    QCOMPARE(opened->textCursor().position(), 0);
    QCOMPARE(toolbarButton(FormatBar::Bold)->isChecked(), opened->currentCharFormat().fontWeight() == QFont::Bold);
    QCOMPARE(win->bar()->fontBox()->currentText(), QFontInfo(opened->currentCharFormat().font()).family());
    // The opened editor reports to the toolbar like every other.
    clickAt(opened, 3);
    QVERIFY(toolbarButton(FormatBar::Bold)->isChecked());
    clickAt(opened, 9);
    QVERIFY(!toolbarButton(FormatBar::Bold)->isChecked());
}

void TestEditingCommands::fileDialogsAndRefusals()
{
    // The real file dialogs, with their captions; cancelled with Escape.
    win->addNote(QStringLiteral("a"), QStringLiteral("text"));
    QString caption;
    const auto cancelFileDialog = [&caption] {
        whenModal<QFileDialog>([&caption](QFileDialog *dialog) {
            caption = dialog->windowTitle();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
    };
    cancelFileDialog();
    clickPanelButton("saveButton");
    QCOMPARE(caption, QStringLiteral("保存文件"));
    QCOMPARE(tip(), QStringLiteral("未选择文件"));

    cancelFileDialog();
    clickPanelButton("openButton");
    QCOMPARE(caption, QStringLiteral("选择文件"));
    QCOMPARE(tip(), QStringLiteral("没有选择文件"));
    QCOMPARE(win->tabs()->count(), 2);

    const QString binary = win->path(QStringLiteral("picture.not"));
    QFile file(binary);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    file.close();
    auto *files = win->window->findChild<NoteFileActions *>(QStringLiteral("noteFileActions"));
    files->setOpenChooser([binary](QWidget *) { return binary; });
    clickPanelButton("openButton");
    QCOMPARE(tip(), QStringLiteral("无法打开该文件"));
    QCOMPARE(win->tabs()->count(), 2);
}

QTEST_MAIN(TestEditingCommands)
#include "tst_editingcommands.moc"
