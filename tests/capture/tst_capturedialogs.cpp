#include "aboutdialog.h"
#include "inputdialog.h"
#include "picwidget.h"

#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QtTest>

/// The capture tool's small dialogs: the fixed-size dialog and the help
/// window with its picture panel.
class TestCaptureDialogs : public QObject
{
    Q_OBJECT
private slots:
    void inputDialogLooksAsBuilt();
    void inputFieldsAcceptOnlyDesktopSizes_data();
    void inputFieldsAcceptOnlyDesktopSizes();
    void okSendsTypedSize_data();
    void okSendsTypedSize();
    void cancelSendsNothing();
    void helpWindowShowsInstructions();
    void pictureFillsPanelFromCorner();
};

namespace {
QLineEdit *edit(QWidget *dialog, const char *name)
{
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}
QPushButton *button(QWidget *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}
}

void TestCaptureDialogs::inputDialogLooksAsBuilt()
{
    InputDialog dialog;
    QStringList labels;
    for (QLabel *label : dialog.findChildren<QLabel *>())
        labels << label->text();
    labels.sort();
    QCOMPARE(labels, (QStringList{"说明:若为0则不做任何修改", "输入固定宽度:", "输入固定高度:"}));
    QCOMPARE(edit(&dialog, "widthEdit")->text(), QStringLiteral("0"));
    QCOMPARE(edit(&dialog, "heightEdit")->text(), QStringLiteral("0"));
    QCOMPARE(button(&dialog, "okButton")->text(), QStringLiteral("确定"));
    QCOMPARE(button(&dialog, "cancelButton")->text(), QStringLiteral("取消"));
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(dialog.windowTitle().isEmpty());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), edit(&dialog, "widthEdit"));
}

void TestCaptureDialogs::inputFieldsAcceptOnlyDesktopSizes_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("letters dropped") << "widthEdit" << "12a3" << "123";
    QTest::newRow("no minus") << "widthEdit" << "-5" << "5";
    QTest::newRow("no fifth digit") << "widthEdit" << "99999" << "9999";
    QTest::newRow("height too") << "heightEdit" << "x4.5" << "45";
}

void TestCaptureDialogs::inputFieldsAcceptOnlyDesktopSizes()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    InputDialog dialog;
    QLineEdit *line = edit(&dialog, qPrintable(field));
    const auto *validator = qobject_cast<const QIntValidator *>(line->validator());
    QVERIFY(validator);
    const QSize desktop = QGuiApplication::primaryScreen()->virtualGeometry().size();
    QCOMPARE(validator->bottom(), 0);
    QCOMPARE(validator->top(), field == QLatin1String("widthEdit") ? desktop.width() : desktop.height());
    line->clear();
    QTest::keyClicks(line, typed);
    QCOMPARE(line->text(), kept);
}

void TestCaptureDialogs::okSendsTypedSize_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<int>("sentWidth");
    QTest::addColumn<int>("sentHeight");
    QTest::newRow("both") << "300" << "200" << 300 << 200;
    QTest::newRow("empty counts as 0") << "" << "" << 0 << 0;
    QTest::newRow("height only") << "0" << "45" << 0 << 45;
}

void TestCaptureDialogs::okSendsTypedSize()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(int, sentWidth);
    QFETCH(int, sentHeight);
    InputDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy input(&dialog, &InputDialog::input);
    edit(&dialog, "widthEdit")->clear();
    QTest::keyClicks(edit(&dialog, "widthEdit"), width);
    edit(&dialog, "heightEdit")->clear();
    QTest::keyClicks(edit(&dialog, "heightEdit"), height);
    QTest::mouseClick(button(&dialog, "okButton"), Qt::LeftButton);
    QCOMPARE(input.count(), 1);
    QCOMPARE(input.at(0).at(0).toInt(), sentWidth);
    QCOMPARE(input.at(0).at(1).toInt(), sentHeight);
    QVERIFY(!dialog.isVisible());
}

void TestCaptureDialogs::cancelSendsNothing()
{
    InputDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy input(&dialog, &InputDialog::input);
    QTest::keyClicks(edit(&dialog, "widthEdit"), QStringLiteral("50"));
    QTest::mouseClick(button(&dialog, "cancelButton"), Qt::LeftButton);
    QCOMPARE(input.count(), 0);
    QVERIFY(!dialog.isVisible());
}

void TestCaptureDialogs::helpWindowShowsInstructions()
{
    AboutDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("关于snapkin"));
    QCOMPARE(dialog.minimumSize(), QSize(550, 360));
    QCOMPARE(dialog.maximumSize(), QSize(550, 360));
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    auto *text = dialog.findChild<QTextEdit *>(QStringLiteral("helpText"));
    QVERIFY(text);
    QVERIFY(!text->isEnabled());
    const QString help = text->toPlainText();
    QVERIFY(help.startsWith(QStringLiteral("使用说明:\n\n\n1.截图快捷键为Ctrl+Alt+C,为全局热键，支持最小化截图\n2.")));
    QVERIFY(help.contains(QStringLiteral(
        "\n6.在选取内按住鼠标左键进行拖动,拖动四周浮标改变大小,双击完成快速截图,选取内按右键弹出截图菜单,选区外按右键重新截图\n"
        // With no selection the outputs take the whole desktop.
        "7.没有选区时,空格键复制整个桌面到剪贴板,回车键(主键盘或小键盘)保存整个桌面\n"
        // Where the desktop gives no hot key, the way around it.
        "8.若桌面不提供Ctrl+Alt+C,可在桌面的键盘设置中把按键绑定到命令 velmonote -Capture,或从托盘菜单选择截图\n"
        // The arrow keys with and without Shift and Ctrl.
        "9.方向键移动选区一个像素,Shift+方向键移动十个像素,Ctrl+方向键改变选区大小\n"
        // The outputs into the notebook.
        "10.P键钉在桌面:选区成为桌面上原处的便签;A键插入当前便签:选区加在当前便签末尾的记录下\n"
        "           \n\n\n------------集成入Velmo Note的Snapkin------------\n")));
    // The contact line: 17 spaces, then an address between dashes, and no
    // line feed after it.
    const QString contact = help.section(QLatin1Char('\n'), -1);
    QVERIFY2(QRegularExpression(QStringLiteral("^ {17}----\\S+@\\S+----$")).match(contact).hasMatch(),
             qPrintable(contact));
    QCOMPARE(help.count(QLatin1Char('\n')), 17);

    auto *ok = dialog.findChild<QPushButton *>();
    QCOMPARE(ok->text(), QStringLiteral("确定"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
}

void TestCaptureDialogs::pictureFillsPanelFromCorner()
{
    PicWidget panel;
    QCOMPARE(panel.minimumSize(), QSize(200, 300));
    QCOMPARE(panel.maximumSize(), QSize(200, 300));
    const QImage picture(QStringLiteral(":/img/aboutback.png"));
    QVERIFY(!picture.isNull());
    const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Over the panel's own background wherever the picture is translucent.
    QImage expected(200, 300, QImage::Format_RGB32);
    expected.fill(panel.palette().window().color());
    QPainter painter(&expected);
    painter.drawImage(0, 0, picture);
    painter.end();
    QCOMPARE(shown, expected);
}

QTEST_MAIN(TestCaptureDialogs)
#include "tst_capturedialogs.moc"
