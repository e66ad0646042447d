#include "desktoptools.h"
#include "skindialog.h"
#include "xwindow.h"

#include <QComboBox>
#include <QToolButton>
#include <QtTest>

/// The skin chooser in a working directory of its own, with solid-colour
/// pictures in ./skin/ so that a preview can be told by its colour.
class TestSkinDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void frameAndLayout();
    void offersListedPicturesThatExist_data();
    void offersListedPicturesThatExist();
    void previewsOnlyWhenTheSelectionChanges();
    void okChoosesTheCurrentItem_data();
    void okChoosesTheCurrentItem();
    void cancelAndCloseChooseNothing_data();
    void cancelAndCloseChooseNothing();
    void okWithEmptyListActsAsCancel();
    void dragsFromTitleStrip();

private:
    void writeList(const QByteArray &text);
    SkinDialog *makeDialog();
    QColor bodyColour();
    QComboBox *combo() const { return dialog->findChild<QComboBox *>(QStringLiteral("skinCombo")); }
    QToolButton *button(const char *name) const { return dialog->findChild<QToolButton *>(QString::fromLatin1(name)); }
    int execClicking(const char *name);

    QTemporaryDir work;
    QString previousDir;
    SkinDialog *dialog = nullptr;
    const QColor red{220, 30, 30};
    const QColor green{30, 180, 60};
};

void TestSkinDialog::initTestCase()
{
    QVERIFY(work.isValid());
    previousDir = QDir::currentPath();
    QVERIFY(QDir(work.path()).mkpath(QStringLiteral("skin")));
    const auto picture = [this](const QString &name, const QColor &colour) {
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(colour);
        return image.save(work.filePath(QStringLiteral("skin/") + name), "PNG");
    };
    QVERIFY(picture(QStringLiteral("red.png"), red));
    QVERIFY(picture(QStringLiteral("green.png"), green));
    QVERIFY(picture(QStringLiteral("sakura.v2.png"), red));
    QFile text(work.filePath(QStringLiteral("skin/text.png")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    QDir::setCurrent(work.path());
}

void TestSkinDialog::cleanupTestCase()
{
    QDir::setCurrent(previousDir);
}

void TestSkinDialog::init()
{
    QFile::remove(QStringLiteral("skin/skin.cfg"));
}

void TestSkinDialog::cleanup()
{
    delete dialog;
    dialog = nullptr;
    DesktopTools::movePointer(QPoint(5, 1070));
}

void TestSkinDialog::writeList(const QByteArray &text)
{
    QFile list(QStringLiteral("skin/skin.cfg"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(text);
}

SkinDialog *TestSkinDialog::makeDialog()
{
    dialog = new SkinDialog;
    dialog->move(400, 300);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog))
        return nullptr;
    return dialog;
}

QColor TestSkinDialog::bodyColour()
{
    // Below the strip, left of the list: only the background shows there.
    return dialog->grab().toImage().pixelColor(20, 60);
}

int TestSkinDialog::execClicking(const char *name)
{
    QToolButton *target = button(name);
    QTimer::singleShot(0, dialog, [this, target] {
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::mouseClick(target, Qt::LeftButton);
    });
    return dialog->exec();
}

void TestSkinDialog::frameAndLayout()
{
    writeList("red.png/green.png");
    QVERIFY(makeDialog());
    QVERIFY(dialog->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    QVERIFY(dialog->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(dialog->size(), QSize(300, 100));
    QCOMPARE(combo()->geometry().topLeft(), QPoint(75, 45));
    QCOMPARE(combo()->width(), 150);
    QCOMPARE(button("okButton")->geometry(), QRect(120, 70, 25, 25));
    QCOMPARE(button("cancelButton")->geometry(), QRect(155, 70, 25, 25));
    QCOMPARE(button("closeButton")->pos(), QPoint(275, 3));
    QCOMPARE(button("closeButton")->toolTip(), QStringLiteral("关闭窗口"));
}

void TestSkinDialog::offersListedPicturesThatExist_data()
{
    QTest::addColumn<QByteArray>("list"); // null: no list file
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QList<bool>>("icons");

    QTest::newRow("two pictures") << QByteArray("red.png/green.png") << QStringList{"red", "green"}
                                  << QStringList{"red.png", "green.png"} << QList<bool>{true, true};
    QTest::newRow("a missing picture is not offered") << QByteArray("gone.png/green.png") << QStringList{"green"}
                                                      << QStringList{"green.png"} << QList<bool>{true};
    QTest::newRow("final line break") << QByteArray("red.png/green.png\n") << QStringList{"red", "green"}
                                      << QStringList{"red.png", "green.png"} << QList<bool>{true, true};
    QTest::newRow("the folder itself") << QByteArray("red.png/") << QStringList{"red", ""}
                                       << QStringList{"red.png", ""} << QList<bool>{true, false};
    QTest::newRow("a file that is no picture") << QByteArray("text.png/red.png") << QStringList{"text", "red"}
                                               << QStringList{"text.png", "red.png"} << QList<bool>{false, true};
    QTest::newRow("base name ends at the first dot") << QByteArray("sakura.v2.png") << QStringList{"sakura"}
                                                     << QStringList{"sakura.v2.png"} << QList<bool>{true};
    QTest::newRow("no list file") << QByteArray() << QStringList{} << QStringList{} << QList<bool>{};
}

void TestSkinDialog::offersListedPicturesThatExist()
{
    QFETCH(QByteArray, list);
    QFETCH(QStringList, names);
    QFETCH(QStringList, entries);
    QFETCH(QList<bool>, icons);
    if (!list.isNull())
        writeList(list);
    QVERIFY(makeDialog());
    QStringList shownNames;
    QStringList shownEntries;
    QList<bool> shownIcons;
    for (int i = 0; i < combo()->count(); ++i) {
        shownNames << combo()->itemText(i);
        shownEntries << combo()->itemData(i).toString();
        shownIcons << !combo()->itemIcon(i).isNull();
    }
    QCOMPARE(shownNames, names);
    QCOMPARE(shownEntries, entries);
    QCOMPARE(shownIcons, icons);
    QCOMPARE(combo()->currentIndex(), names.isEmpty() ? -1 : 0);
    // The list file is only read, never made.
    QCOMPARE(QFileInfo::exists(QStringLiteral("skin/skin.cfg")), !list.isNull());
}

void TestSkinDialog::previewsOnlyWhenTheSelectionChanges()
{
    writeList("red.png/green.png/text.png");
    QVERIFY(makeDialog());
    const QColor own = QImage(QStringLiteral(":/img/back1.png")).pixelColor(20, 60);
    QCOMPARE(bodyColour(), own);
    combo()->setCurrentIndex(1);
    QCOMPARE(bodyColour(), green);
    combo()->setCurrentIndex(0);
    QCOMPARE(bodyColour(), red);
    // A picture that does not load shows the dialog's own background.
    combo()->setCurrentIndex(2);
    QCOMPARE(bodyColour(), own);
    QVERIFY(dialog->skinPath().isEmpty());
}

void TestSkinDialog::okChoosesTheCurrentItem_data()
{
    QTest::addColumn<int>("select"); // -1: the list is not touched
    QTest::addColumn<QString>("path");
    QTest::newRow("untouched: the first") << -1 << QStringLiteral("./skin/red.png");
    QTest::newRow("second") << 1 << QStringLiteral("./skin/green.png");
    QTest::newRow("the folder itself") << 2 << QStringLiteral("./skin/");
}

void TestSkinDialog::okChoosesTheCurrentItem()
{
    QFETCH(int, select);
    QFETCH(QString, path);
    writeList("red.png/green.png/");
    QVERIFY(makeDialog());
    if (select >= 0)
        combo()->setCurrentIndex(select);
    QCOMPARE(execClicking("okButton"), int(QDialog::Accepted));
    QCOMPARE(dialog->skinPath(), path);
}

void TestSkinDialog::cancelAndCloseChooseNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("cancel") << QStringLiteral("cancelButton");
    QTest::newRow("close") << QStringLiteral("closeButton");
}

void TestSkinDialog::cancelAndCloseChooseNothing()
{
    QFETCH(QString, button);
    writeList("red.png/green.png");
    QVERIFY(makeDialog());
    combo()->setCurrentIndex(1);
    QCOMPARE(execClicking(button.toLatin1().constData()), int(QDialog::Rejected));
    QVERIFY(dialog->skinPath().isEmpty());
}

void TestSkinDialog::okWithEmptyListActsAsCancel()
{
    writeList("gone.png");
    QVERIFY(makeDialog());
    QCOMPARE(combo()->count(), 0);
    QCOMPARE(execClicking("okButton"), int(QDialog::Rejected));
    QVERIFY(dialog->skinPath().isEmpty());
}

void TestSkinDialog::dragsFromTitleStrip()
{
    writeList("red.png");
    QVERIFY(makeDialog());
    const QPoint start(400, 300);
    QTRY_COMPARE(XWindow::position(dialog), start);
    // The strip's rightmost 50 pixels do not drag.
    QVERIFY(DesktopTools::dragPointer(start + QPoint(270, 12), start + QPoint(370, 62)));
    QTest::qWait(200);
    QCOMPARE(XWindow::position(dialog), start);
    QVERIFY(DesktopTools::dragPointer(start + QPoint(100, 12), start + QPoint(200, 62)));
    QTRY_COMPARE(XWindow::position(dialog), start + QPoint(100, 50));
}

QTEST_MAIN(TestSkinDialog)
#include "tst_skindialog.moc"
