#include "desktoptools.h"
#include "editingwindow.h"
#include "menudialog.h"
#include "tabstorefile.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>

using namespace EditingTools;

// The formatting bar of the main window, driven through real editors.
class TestFormatBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsFromDefaults();
    void formatsOnlyTheSelection_data();
    void formatsOnlyTheSelection();
    void colourDialogChoiceAndCancel();
    void mirrorsFormatUnderCursor_data();
    void mirrorsFormatUnderCursor();
    void mirrorsRestoredAndSwitchedTabs();
    void boxAppliesOnlyAfterReleaseOnIt_data();
    void boxAppliesOnlyAfterReleaseOnIt();
    void pointerChoiceInPopupApplies_data();
    void pointerChoiceInPopupApplies();
    void emptyLastItems();
    void alignsFromMenuPanel_data();
    void alignsFromMenuPanel();

private:
    QToolButton *button(FormatBar::Button which) const { return win->bar()->button(which); }

    std::unique_ptr<EditingWindow> win;
};

void TestFormatBar::init()
{
    win = std::make_unique<EditingWindow>();
    QVERIFY(win->show());
}

void TestFormatBar::cleanup()
{
    win.reset();
}

void TestFormatBar::startsFromDefaults()
{
    // The home page starts with bold text, yet the bar starts from its own defaults.
    FormatBar *bar = win->bar();
    QTRY_VERIFY(bar->findChild<QFontComboBox *>(QStringLiteral("fontCombo")));
    for (auto which : {FormatBar::Bold, FormatBar::Italic, FormatBar::Underline}) {
        QVERIFY(button(which)->isCheckable());
        QVERIFY(!button(which)->isChecked());
    }
    QCOMPARE(bar->swatchColor(), QColor(Qt::black));
    const QList<int> sizes = QFontDatabase::standardSizes();
    QComboBox *size = bar->sizeBox();
    QCOMPARE(size->count(), sizes.size() + 1);
    QCOMPARE(size->currentIndex(), 8);
    QCOMPARE(size->currentText(), QString::number(sizes.at(8)));
    QCOMPARE(size->itemText(size->count() - 1), QString());
    QFontComboBox *font = bar->fontBox();
    QCOMPARE(font->itemText(font->count() - 1), QString());
    QVERIFY(font->count() > 2);
    QCOMPARE(font->currentText(), QFontInfo(QFont(QStringLiteral("calibri"))).family());
    for (int i = 0; i < font->count() - 1; ++i)
        QVERIFY2(QFontDatabase::isScalable(font->itemText(i)), qPrintable(font->itemText(i)));

    // Nine 25 x 25 buttons (the last one opens the list menu), then the two
    // boxes, in one row under the strip.
    const QList<QToolButton *> buttons = bar->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly);
    int shown = 0;
    for (QToolButton *b : buttons) {
        if (b->isVisible()) {
            QCOMPARE(b->size(), QSize(25, 25));
            QVERIFY(!b->toolTip().isEmpty());
            ++shown;
        }
    }
    QCOMPARE(shown, 9);
    // At least their first widths, and wide enough that no text is cut.
    QCOMPARE(font->height(), 25);
    QCOMPARE(size->height(), 25);
    QVERIFY(font->width() >= 100);
    QVERIFY(size->width() >= 40);
    // Qt's own measure of the width a box needs for its texts.
    QCOMPARE(size->sizeAdjustPolicy(), QComboBox::AdjustToContentsOnFirstShow);
    QVERIFY2(size->width() >= size->sizeHint().width(), qPrintable(QString::number(size->sizeHint().width())));
    QComboBox probe;
    probe.setFont(font->font());
    probe.addItem(font->currentText());
    QVERIFY2(font->width() >= probe.sizeHint().width(), qPrintable(QString::number(probe.sizeHint().width())));
    QVERIFY(font->geometry().right() < size->geometry().left());
    QCOMPARE(bar->y(), 30);
}

void TestFormatBar::formatsOnlyTheSelection_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<bool>("selection");
    for (bool selection : {true, false}) {
        const char *tag = selection ? "with selection" : "without selection";
        QTest::addRow("bold, %s", tag) << int(FormatBar::Bold) << selection;
        QTest::addRow("italic, %s", tag) << int(FormatBar::Italic) << selection;
        QTest::addRow("underline, %s", tag) << int(FormatBar::Underline) << selection;
        QTest::addRow("colour, %s", tag) << int(FormatBar::Color) << selection;
        QTest::addRow("fill, %s", tag) << int(FormatBar::Fill) << selection;
    }
}

namespace {
bool hasEffect(int which, const QTextCharFormat &format)
{
    switch (which) {
    case FormatBar::Bold: return format.fontWeight() == QFont::Bold;
    case FormatBar::Italic: return format.fontItalic();
    case FormatBar::Underline: return format.fontUnderline();
    case FormatBar::Color: return format.foreground().color() == QColor(Qt::red);
    case FormatBar::Fill: return format.background().color() == QColor(Qt::red);
    }
    return false;
}
}

void TestFormatBar::formatsOnlyTheSelection()
{
    QFETCH(int, which);
    QFETCH(bool, selection);
    win->bar()->setColorChooser([](QWidget *) { return QColor(Qt::red); });
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("alpha beta gamma"));
    if (selection)
        selectByKeys(editor, 6, 4); // "beta"
    QToolButton *b = button(FormatBar::Button(which));
    QTest::mouseClick(b, Qt::LeftButton);
    if (b->isCheckable())
        QVERIFY(b->isChecked());
    if (which == FormatBar::Color)
        QCOMPARE(win->bar()->swatchColor(), QColor(Qt::red));

    // Typing after a command without selection keeps the previous format.
    if (!selection)
        QTest::keyClicks(editor, QStringLiteral(" delta"));
    const QString text = editor->toPlainText();
    for (int i = 0; i < text.size(); ++i) {
        const bool inSelection = selection && i >= 6 && i < 10;
        QVERIFY2(hasEffect(which, formatAt(editor, i)) == inSelection,
                 qPrintable(QStringLiteral("character %1 '%2'").arg(i).arg(text.at(i))));
    }
    QVERIFY(text.endsWith(selection ? QStringLiteral("gamma") : QStringLiteral("delta")));
}

void TestFormatBar::colourDialogChoiceAndCancel()
{
    // The real colour dialog: cancelled first, then red typed into its HTML field.
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("alpha beta"));
    selectByKeys(editor, 0, 5);
    whenModal<QColorDialog>([](QColorDialog *dialog) {
        QCOMPARE(dialog->currentColor(), QColor(Qt::black));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QTest::mouseClick(button(FormatBar::Color), Qt::LeftButton);
    QCOMPARE(win->bar()->swatchColor(), QColor(Qt::black));
    QVERIFY(!formatAt(editor, 0).hasProperty(QTextFormat::ForegroundBrush));

    whenModal<QColorDialog>([](QColorDialog *dialog) {
        auto *html = dialog->findChild<QLineEdit *>();
        for (QLineEdit *edit : dialog->findChildren<QLineEdit *>()) {
            if (edit->text().startsWith(QLatin1Char('#')))
                html = edit;
        }
        html->selectAll();
        QTest::keyClicks(html, QStringLiteral("#ff0000"));
        QTest::keyClick(html, Qt::Key_Tab);
        auto *box = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::mouseClick(button(FormatBar::Color), Qt::LeftButton);
    QCOMPARE(win->bar()->swatchColor(), QColor(Qt::red));
    QCOMPARE(formatAt(editor, 4).foreground().color(), QColor(Qt::red));
    QVERIFY(!formatAt(editor, 6).hasProperty(QTextFormat::ForegroundBrush));
}

void TestFormatBar::mirrorsFormatUnderCursor_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("sizeText"); // empty: no current item
    QTest::addColumn<QString>("family");   // empty: not checked

    QTest::newRow("bold") << "font-weight:700" << true << false << false << QColor(Qt::black) << "12" << "";
    QTest::newRow("italic") << "font-style:italic" << false << true << false << QColor(Qt::black) << "12" << "";
    QTest::newRow("underline") << "text-decoration:underline" << false << false << true << QColor(Qt::black) << "12" << "";
    QTest::newRow("red") << "color:#ff0000" << false << false << false << QColor(Qt::red) << "12" << "";
    QTest::newRow("all four") << "font-weight:700;font-style:italic;text-decoration:underline;color:#ff0000"
                              << true << true << true << QColor(Qt::red) << "12" << "";
    QTest::newRow("size in list") << "font-size:20pt" << false << false << false << QColor(Qt::black) << "20" << "";
    QTest::newRow("size not in list") << "font-size:13pt" << false << false << false << QColor(Qt::black) << "" << "";
    QTest::newRow("pixel size") << "font-size:30px" << false << false << false << QColor(Qt::black) << "" << "";
    QTest::newRow("family") << "font-family:'DejaVu Serif'" << false << false << false << QColor(Qt::black) << "12"
                            << "DejaVu Serif";
}

void TestFormatBar::mirrorsFormatUnderCursor()
{
    QFETCH(QString, style);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    QFETCH(QColor, colour);
    QFETCH(QString, sizeText);
    QFETCH(QString, family);

    QTextEdit *editor = win->addNote(QStringLiteral("a"));
    editor->setHtml(QStringLiteral("<p><span style=\"font-size:12pt;font-family:'DejaVu Sans'\">plain text "
                                   "<span style=\"%1\">styled text</span> plain</span></p>")
                        .arg(style));
    FormatBar *bar = win->bar();
    QFontComboBox *fontBox = bar->fontBox();

    clickAt(editor, 3);
    QVERIFY(!button(FormatBar::Bold)->isChecked());
    QCOMPARE(bar->sizeBox()->currentText(), QStringLiteral("12"));
    QCOMPARE(fontBox->currentText(), QStringLiteral("DejaVu Sans"));

    clickAt(editor, 14); // inside "styled"
    QCOMPARE(button(FormatBar::Bold)->isChecked(), bold);
    QCOMPARE(button(FormatBar::Italic)->isChecked(), italic);
    QCOMPARE(button(FormatBar::Underline)->isChecked(), underline);
    QCOMPARE(bar->swatchColor(), colour);
    if (sizeText.isEmpty()) {
        QCOMPARE(bar->sizeBox()->currentIndex(), -1);
    } else {
        QCOMPARE(bar->sizeBox()->currentText(), sizeText);
    }
    if (!family.isEmpty())
        QCOMPARE(fontBox->currentText(), family);
    // Mirroring never formats: the text is as it was.
    QVERIFY(!formatAt(editor, 3).hasProperty(QTextFormat::FontWeight));
    QCOMPARE(formatAt(editor, 3).fontPointSize(), 12.0);

    clickAt(editor, 2);
    QVERIFY(!button(FormatBar::Bold)->isChecked());
    QCOMPARE(bar->swatchColor(), QColor(Qt::black));
    QCOMPARE(bar->sizeBox()->currentText(), QStringLiteral("12"));
}

void TestFormatBar::mirrorsRestoredAndSwitchedTabs()
{
    // A fixed tab comes back from tab.dat; its editor reports like any other.
    win.reset();
    win = std::make_unique<EditingWindow>("<p>home</p>", [](const QString &dir) {
        TabStoreData data;
        TabRecord record;
        record.name = QStringLiteral("kept");
        record.pathOrText = QStringLiteral("<p>plain <i>slanted</i></p>");
        data.records << record;
        QVERIFY(TabStoreFile::save(dir + QLatin1String("/tab.dat"), data).ok);
    });
    QVERIFY(win->show());
    QTabWidget *tabs = win->tabs();
    QCOMPARE(tabs->count(), 2);
    QTabBar *tabBar = tabs->tabBar();
    QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(1).center());
    QCOMPARE(tabs->currentIndex(), 1);
    // Its editor is built when the tab first shows.
    QTRY_VERIFY(qobject_cast<QTextEdit *>(tabs->widget(1)));
    auto *restored = qobject_cast<QTextEdit *>(tabs->widget(1));
    clickAt(restored, 12);
    QVERIFY(button(FormatBar::Italic)->isChecked());
    clickAt(restored, 3);
    QVERIFY(!button(FormatBar::Italic)->isChecked());
    clickAt(restored, 12);
    QVERIFY(button(FormatBar::Italic)->isChecked());

    // Switching tabs shows each tab's format at its own cursor.
    win->addNote(QStringLiteral("plain"));
    QVERIFY(!button(FormatBar::Italic)->isChecked());
    QTest::mouseClick(tabBar, Qt::LeftButton, {}, tabBar->tabRect(1).center());
    QVERIFY(button(FormatBar::Italic)->isChecked());
}

void TestFormatBar::boxAppliesOnlyAfterReleaseOnIt_data()
{
    QTest::addColumn<bool>("fontBox");
    QTest::newRow("size box") << false;
    QTest::newRow("font box") << true;
}

namespace {
QString appliedValue(bool fontBox, const QTextCharFormat &format)
{
    if (fontBox) {
        const QStringList families = format.fontFamilies().toStringList();
        return families.isEmpty() ? QString() : families.first();
    }
    return format.hasProperty(QTextFormat::FontPointSize) ? QString::number(format.fontPointSize()) : QString();
}
}

void TestFormatBar::boxAppliesOnlyAfterReleaseOnIt()
{
    QFETCH(bool, fontBox);
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("alpha beta gamma"));
    // Adding the tab ran changeFont: the boxes' flags are down.
    selectByKeys(editor, 6, 4);
    QComboBox *box = fontBox ? static_cast<QComboBox *>(win->bar()->fontBox()) : win->bar()->sizeBox();
    box->setFocus();
    const int before = box->currentIndex();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentIndex(), before + 1);
    QCOMPARE(appliedValue(fontBox, formatAt(editor, 7)), QString());

    // A click on the box (its release) lets the next choice through.
    QTest::mouseClick(box, Qt::LeftButton);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QTest::keyClick(box, Qt::Key_Down);
    const QString chosen = box->currentText();
    QCOMPARE(appliedValue(fontBox, formatAt(editor, 7)), chosen);
    QCOMPARE(appliedValue(fontBox, formatAt(editor, 2)), QString());
    QCOMPARE(appliedValue(fontBox, formatAt(editor, 12)), QString());

    // Applying changed the format under the cursor: changeFont ran, the flag is down again.
    QTest::keyClick(box, Qt::Key_Down);
    QVERIFY(box->currentText() != chosen);
    QCOMPARE(appliedValue(fontBox, formatAt(editor, 7)), chosen);
}

void TestFormatBar::pointerChoiceInPopupApplies_data()
{
    QTest::addColumn<bool>("fontBox");
    QTest::newRow("size box") << false;
    QTest::newRow("font box") << true;
}

void TestFormatBar::pointerChoiceInPopupApplies()
{
    // The X server's own pointer: the box sees the press, its list the releases.
    QFETCH(bool, fontBox);
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("alpha beta gamma"));
    selectByKeys(editor, 0, 5);
    QComboBox *box = fontBox ? static_cast<QComboBox *>(win->bar()->fontBox()) : win->bar()->sizeBox();
    const int target = fontBox ? box->findText(QStringLiteral("DejaVu Serif")) : box->findText(QStringLiteral("20"));
    QVERIFY(target >= 0);
    QTRY_VERIFY(box->isVisible());
    QTRY_VERIFY(box->geometry().right() < win->bar()->width());
    QVERIFY(DesktopTools::movePointer(box->mapToGlobal(box->rect().center())));
    QTest::qWait(100);
    QVERIFY(DesktopTools::xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_VERIFY(box->view()->isVisible());
    QAbstractItemView *view = box->view();
    view->scrollTo(view->model()->index(target, 0));
    // The list ignores releases for a double-click interval after it opens.
    QTest::qWait(QApplication::doubleClickInterval() + 200);
    // Near the item's left end: the list may be wider than its narrow pop-up.
    const QRect itemRect = view->visualRect(view->model()->index(target, 0));
    const QPoint item = view->viewport()->mapToGlobal(QPoint(itemRect.left() + 10, itemRect.center().y()));
    QVERIFY(DesktopTools::movePointer(item));
    QTest::qWait(100);
    QTest::qWait(100);
    QVERIFY(DesktopTools::xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE(box->currentIndex(), target);
    QTRY_COMPARE(appliedValue(fontBox, formatAt(editor, 2)), box->itemText(target));
    QCOMPARE(appliedValue(fontBox, formatAt(editor, 8)), QString());
}

void TestFormatBar::emptyLastItems()
{
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("alpha beta"));
    selectByKeys(editor, 0, 5);
    const QTextCharFormat before = formatAt(editor, 2);

    // The size box's empty item is no size: nothing happens.
    QComboBox *size = win->bar()->sizeBox();
    QTest::mouseClick(size, Qt::LeftButton);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QTest::keyClick(size, Qt::Key_End);
    QCOMPARE(size->currentIndex(), size->count() - 1);
    QCOMPARE(formatAt(editor, 2), before);

    // The font box's empty item gives the selection an empty family.
    QComboBox *font = win->bar()->fontBox();
    QTest::mouseClick(font, Qt::LeftButton);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    // (Mirroring the new format then moves the box to the family the empty name resolves to.)
    QTest::keyClick(font, Qt::Key_End);
    QCOMPARE(formatAt(editor, 2).fontFamilies().toStringList(), QStringList{QString()});
    QVERIFY(!formatAt(editor, 7).hasProperty(QTextFormat::FontFamilies));
}

void TestFormatBar::alignsFromMenuPanel_data()
{
    QTest::addColumn<QString>("buttonName"); // empty: the panel reports 3
    QTest::addColumn<bool>("selection");
    QTest::addColumn<int>("expected");
    QTest::newRow("left") << "leftButton" << false << int(Qt::AlignLeft);
    QTest::newRow("centre") << "centerButton" << false << int(Qt::AlignCenter);
    QTest::newRow("right") << "rightButton" << false << int(Qt::AlignRight);
    QTest::newRow("right, selection over two paragraphs") << "rightButton" << true << int(Qt::AlignRight);
    QTest::newRow("value 3") << "" << false << -1;
}

void TestFormatBar::alignsFromMenuPanel()
{
    QFETCH(QString, buttonName);
    QFETCH(bool, selection);
    QFETCH(int, expected);
    QTextEdit *editor = win->addNote(QStringLiteral("a"), QStringLiteral("one"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("two"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("three"));
    // Every paragraph justified first, so that any change shows.
    editor->selectAll();
    editor->setAlignment(Qt::AlignJustify);
    const Qt::Alignment initial = Qt::AlignJustify;
    // Cursor in "two", or a selection from "one" into "two".
    selection ? selectByKeys(editor, 1, 4) : clickAt(editor, 5);

    auto *panel = win->window->findChild<MenuDialog *>(QStringLiteral("menuPanel"));
    if (buttonName.isEmpty()) {
        emit panel->sigAlign(3);
    } else {
        QTest::mouseClick(win->child<QPushButton>("titleButton"), Qt::LeftButton);
        QTRY_VERIFY(panel->isVisible());
        auto *b = panel->findChild<QToolButton *>(buttonName);
        QTest::mouseClick(b, Qt::LeftButton);
        QTRY_VERIFY(!panel->isVisible());
    }
    const QTextDocument *doc = editor->document();
    const Qt::Alignment first = doc->findBlockByNumber(0).blockFormat().alignment();
    const Qt::Alignment second = doc->findBlockByNumber(1).blockFormat().alignment();
    const Qt::Alignment third = doc->findBlockByNumber(2).blockFormat().alignment();
    if (expected < 0) {
        QCOMPARE(second, initial);
        QCOMPARE(first, initial);
        return;
    }
    QCOMPARE(int(second), expected);
    QCOMPARE(first, selection ? Qt::Alignment(expected) : initial);
    QCOMPARE(third, initial);
}

QTEST_MAIN(TestFormatBar)
#include "tst_formatbar.moc"
