#include "pinframe.h"

#include <QTest>

// Where a pinned capture's window goes so that its picture stays in place.
class TestPinFrame : public QObject
{
    Q_OBJECT
private slots:
    void placesWindowAroundPicture_data();
    void placesWindowAroundPicture();
};

void TestPinFrame::placesWindowAroundPicture_data()
{
    QTest::addColumn<QRect>("picture");
    QTest::addColumn<bool>("bare");
    QTest::addColumn<QRect>("window");

    // Margins (12, 30, 14, 33) around the picture, at least 190 x 230.
    QTest::newRow("note look, picture larger than the minimum")
        << QRect(121, 190, 800, 600) << false << QRect(109, 160, 826, 663);
    QTest::newRow("note look, a small picture keeps its place, the window grows right and down")
        << QRect(121, 190, 20, 10) << false << QRect(109, 160, 190, 230);
    QTest::newRow("note look, the whole desktop: the frame reaches past its edges")
        << QRect(0, 0, 3840, 2160) << false << QRect(-12, -30, 3866, 2223);
    QTest::newRow("bare look is the picture") << QRect(121, 190, 20, 10) << true << QRect(121, 190, 20, 10);
    QTest::newRow("bare look, the whole desktop") << QRect(0, 0, 3840, 2160) << true << QRect(0, 0, 3840, 2160);
}

void TestPinFrame::placesWindowAroundPicture()
{
    QFETCH(QRect, picture);
    QFETCH(bool, bare);
    QFETCH(QRect, window);
    const QMargins around(12, 30, 14, 33);
    QCOMPARE(PinFrame::window(picture, around, bare, QSize(190, 230)), window);
    // And back: the window's top-left gives the picture's, in either look.
    QCOMPARE(PinFrame::pictureAt(window.topLeft(), around, bare), picture.topLeft());
}

QTEST_GUILESS_MAIN(TestPinFrame)
#include "tst_pinframe.moc"
