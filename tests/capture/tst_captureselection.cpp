#include "captureselection.h"

#include <QtTest>

using Sel = CaptureSelection;

Q_DECLARE_METATYPE(CaptureSelection::MoveResult)
Q_DECLARE_METATYPE(CaptureSelection::Arrow)
Q_DECLARE_METATYPE(Qt::CursorShape)

namespace {
constexpr int W = 1920;
constexpr int H = 1080;

Sel selection(QPoint topLeft, QPoint bottomRight)
{
    Sel s(QSize(W, H));
    s.updateCorners(topLeft, bottomRight);
    return s;
}

void addCornerColumns()
{
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<QPoint>("bottomRight");
}
}

class TestCaptureSelection : public QObject
{
    Q_OBJECT
private slots:
    void handleZoneHasExactBounds_data();
    void handleZoneHasExactBounds();
    void handleSquaresSitOutsideCorners();
    void overlappingZonesPressLastHoverFirst_data();
    void overlappingZonesPressLastHoverFirst();
    void interiorIsStrict();
    void menuOpensOnlyOverInteriorOrCorner_data();
    void menuOpensOnlyOverInteriorOrCorner();
    void drawsSameCornersFromAnyCorner_data();
    void drawsSameCornersFromAnyCorner();
    void degenerateRectangleKeepsPrevious_data();
    void degenerateRectangleKeepsPrevious();
    void resizeStep_data();
    void resizeStep();
    void topLeftDraggedPastBottomRightStops();
    void moveStep_data();
    void moveStep();
    void arrowKeyStopsAtEdge_data();
    void arrowKeyStopsAtEdge();
    void fixedSizeFromTopLeft_data();
    void fixedSizeFromTopLeft();
    void labelPlacement_data();
    void labelPlacement();
    void outputRectangles_data();
    void outputRectangles();
};

// ---- handles -----------------------------------------------------------------

void TestCaptureSelection::handleZoneHasExactBounds_data()
{
    QTest::addColumn<int>("handle");
    QTest::addColumn<QRect>("zone"); // inclusive bounds
    QTest::addColumn<Qt::CursorShape>("cursor");
    // Selection (100, 100)-(300, 200): middle column 200, middle row 150.
    QTest::newRow("1 top-left") << 1 << QRect(QPoint(95, 95), QPoint(99, 99)) << Qt::SizeFDiagCursor;
    QTest::newRow("2 top-right, 7 tall") << 2 << QRect(QPoint(301, 95), QPoint(305, 101)) << Qt::SizeBDiagCursor;
    QTest::newRow("3 bottom-left") << 3 << QRect(QPoint(95, 201), QPoint(99, 205)) << Qt::SizeBDiagCursor;
    QTest::newRow("4 bottom-right") << 4 << QRect(QPoint(301, 201), QPoint(305, 205)) << Qt::SizeFDiagCursor;
    QTest::newRow("5 top") << 5 << QRect(QPoint(198, 96), QPoint(202, 99)) << Qt::SizeVerCursor;
    QTest::newRow("6 left") << 6 << QRect(QPoint(96, 148), QPoint(99, 152)) << Qt::SizeHorCursor;
    QTest::newRow("7 right") << 7 << QRect(QPoint(301, 148), QPoint(304, 152)) << Qt::SizeHorCursor;
    QTest::newRow("8 bottom") << 8 << QRect(QPoint(198, 201), QPoint(202, 204)) << Qt::SizeVerCursor;
}

void TestCaptureSelection::handleZoneHasExactBounds()
{
    QFETCH(int, handle);
    QFETCH(QRect, zone);
    QFETCH(Qt::CursorShape, cursor);
    const Sel s = selection(QPoint(100, 100), QPoint(300, 200));
    QCOMPARE(s.handleZone(handle), zone);
    // Every pixel in a margin around the zone: inside grabs this handle with
    // its cursor, outside does not.
    for (int x = zone.left() - 3; x <= zone.right() + 3; ++x) {
        for (int y = zone.top() - 3; y <= zone.bottom() + 3; ++y) {
            const QPoint p(x, y);
            const bool inside = zone.contains(p);
            QVERIFY2((s.pressedHandle(p) == handle) == inside, qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
            if (inside) {
                QCOMPARE(s.hoverShape(p), cursor);
                QVERIFY(s.hits(p));
                QVERIFY(!s.interiorContains(p));
            }
        }
    }
}

void TestCaptureSelection::handleSquaresSitOutsideCorners()
{
    const Sel s = selection(QPoint(100, 100), QPoint(300, 200));
    const QList<QRect> expected = {
        QRect(97, 97, 3, 3), QRect(300, 97, 3, 3), QRect(97, 201, 3, 3), QRect(301, 201, 3, 3),
        QRect(198, 96, 3, 3), QRect(96, 148, 3, 3), QRect(301, 148, 3, 3), QRect(198, 201, 3, 3),
    };
    for (int handle = 1; handle <= 8; ++handle)
        QCOMPARE(s.handleSquare(handle), expected.at(handle - 1));
    QCOMPARE(s.handleSquare(0), QRect());
}

void TestCaptureSelection::overlappingZonesPressLastHoverFirst_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("pressed");
    QTest::addColumn<Qt::CursorShape>("hover");
    // A 2 x 2 selection at (100, 100): the side zones overlap the corners.
    QTest::newRow("1 and 5") << QPoint(99, 97) << 5 << Qt::SizeFDiagCursor;
    QTest::newRow("1, 5 and 6") << QPoint(99, 99) << 6 << Qt::SizeFDiagCursor;
    QTest::newRow("2 and 7") << QPoint(103, 100) << 7 << Qt::SizeBDiagCursor;
    QTest::newRow("3 and 8") << QPoint(99, 104) << 8 << Qt::SizeBDiagCursor;
    QTest::newRow("4, 7 and 8: 7 pressed last") << QPoint(103, 103) << 7 << Qt::SizeFDiagCursor;
    QTest::newRow("interior") << QPoint(101, 101) << 0 << Qt::SizeAllCursor;
    QTest::newRow("nowhere") << QPoint(120, 120) << 0 << Qt::ArrowCursor;
}

void TestCaptureSelection::overlappingZonesPressLastHoverFirst()
{
    QFETCH(QPoint, at);
    QFETCH(int, pressed);
    QFETCH(Qt::CursorShape, hover);
    const Sel s = selection(QPoint(100, 100), QPoint(102, 102));
    QCOMPARE(s.pressedHandle(at), pressed);
    QCOMPARE(s.hoverShape(at), hover);
}

void TestCaptureSelection::interiorIsStrict()
{
    const Sel s = selection(QPoint(100, 100), QPoint(300, 200));
    QVERIFY(s.interiorContains(QPoint(101, 101)));
    QVERIFY(s.interiorContains(QPoint(299, 199)));
    for (const QPoint p : {QPoint(100, 150), QPoint(300, 150), QPoint(200, 100), QPoint(200, 200)}) {
        QVERIFY(!s.interiorContains(p));
        // The edges themselves are neither inside nor on a handle.
        QVERIFY(!s.hits(p));
        QCOMPARE(s.hoverShape(p), Qt::ArrowCursor);
    }
}

void TestCaptureSelection::menuOpensOnlyOverInteriorOrCorner_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("arms");
    QTest::addColumn<bool>("opens");
    QTest::newRow("interior") << QPoint(150, 150) << true << true;
    QTest::newRow("corner 1") << QPoint(97, 97) << true << true;
    QTest::newRow("corner 2 lowest row") << QPoint(303, 101) << true << true;
    QTest::newRow("corner 4") << QPoint(305, 205) << true << true;
    QTest::newRow("side 5") << QPoint(200, 98) << true << false;
    QTest::newRow("side 6") << QPoint(97, 150) << true << false;
    QTest::newRow("side 7") << QPoint(302, 150) << true << false;
    QTest::newRow("side 8") << QPoint(200, 203) << true << false;
    QTest::newRow("outside") << QPoint(50, 50) << false << false;
}

void TestCaptureSelection::menuOpensOnlyOverInteriorOrCorner()
{
    QFETCH(QPoint, at);
    QFETCH(bool, arms);
    QFETCH(bool, opens);
    const Sel s = selection(QPoint(100, 100), QPoint(300, 200));
    QCOMPARE(s.hits(at), arms);
    QCOMPARE(s.hitsInteriorOrCorner(at), opens);
}

// ---- drawing -----------------------------------------------------------------

void TestCaptureSelection::drawsSameCornersFromAnyCorner_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("top-left to bottom-right") << QPoint(100, 100) << QPoint(300, 200);
    QTest::newRow("bottom-right to top-left") << QPoint(300, 200) << QPoint(100, 100);
    QTest::newRow("top-right to bottom-left") << QPoint(300, 100) << QPoint(100, 200);
    QTest::newRow("bottom-left to top-right") << QPoint(100, 200) << QPoint(300, 100);
}

void TestCaptureSelection::drawsSameCornersFromAnyCorner()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Sel s(QSize(W, H));
    s.updateCorners(from, to);
    QCOMPARE(s.topLeft(), QPoint(100, 100));
    QCOMPARE(s.topRight(), QPoint(300, 100));
    QCOMPARE(s.bottomLeft(), QPoint(100, 200));
    QCOMPARE(s.bottomRight(), QPoint(300, 200));
    QVERIFY(s.isShown());
}

void TestCaptureSelection::degenerateRectangleKeepsPrevious_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("one point") << QPoint(500, 500) << QPoint(500, 500);
    QTest::newRow("same column") << QPoint(500, 500) << QPoint(500, 700);
    QTest::newRow("same row") << QPoint(500, 500) << QPoint(800, 500);
}

void TestCaptureSelection::degenerateRectangleKeepsPrevious()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Sel s = selection(QPoint(100, 100), QPoint(300, 200));
    const Sel before = s;
    s.updateCorners(from, to);
    QCOMPARE(s, before);
}

// ---- resizing ----------------------------------------------------------------

void TestCaptureSelection::resizeStep_data()
{
    QTest::addColumn<int>("handle");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<bool>("accepted");
    addCornerColumns();
    // All from (100, 100)-(300, 200); a rejected step changes nothing.
    const QPoint tl(100, 100), br(300, 200);
    QTest::newRow("1 in") << 1 << QPoint(10, 5) << true << QPoint(110, 105) << br;
    QTest::newRow("1 to x4") << 1 << QPoint(200, 0) << false << tl << br;
    QTest::newRow("1 to y4") << 1 << QPoint(0, 100) << false << tl << br;
    QTest::newRow("1 past corner") << 1 << QPoint(250, 150) << false << tl << br;
    QTest::newRow("1 off screen") << 1 << QPoint(-150, -150) << true << QPoint(-50, -50) << br;
    QTest::newRow("2 out") << 2 << QPoint(10, -5) << true << QPoint(100, 95) << QPoint(310, 200);
    QTest::newRow("2 to x3") << 2 << QPoint(-200, 0) << false << tl << br;
    QTest::newRow("2 to y3") << 2 << QPoint(0, 100) << false << tl << br;
    QTest::newRow("3 out") << 3 << QPoint(-10, 5) << true << QPoint(90, 100) << QPoint(300, 205);
    QTest::newRow("3 to x2") << 3 << QPoint(200, 0) << false << tl << br;
    QTest::newRow("3 to y2") << 3 << QPoint(0, -100) << false << tl << br;
    QTest::newRow("4 out") << 4 << QPoint(5, 5) << true << tl << QPoint(305, 205);
    QTest::newRow("4 past screen, no clamp") << 4 << QPoint(2000, 2000) << true << tl << QPoint(2300, 2200);
    QTest::newRow("4 to x1") << 4 << QPoint(-200, 0) << false << tl << br;
    QTest::newRow("4 to y1") << 4 << QPoint(0, -100) << false << tl << br;
    QTest::newRow("5 ignores dx") << 5 << QPoint(7, -10) << true << QPoint(100, 90) << br;
    QTest::newRow("5 to y3") << 5 << QPoint(0, 100) << false << tl << br;
    QTest::newRow("6 ignores dy") << 6 << QPoint(-20, 9) << true << QPoint(80, 100) << br;
    QTest::newRow("6 to x4") << 6 << QPoint(200, 0) << false << tl << br;
    QTest::newRow("7 ignores dy") << 7 << QPoint(15, -3) << true << tl << QPoint(315, 200);
    QTest::newRow("7 to x3") << 7 << QPoint(-200, 0) << false << tl << br;
    QTest::newRow("8 ignores dx") << 8 << QPoint(4, 12) << true << tl << QPoint(300, 212);
    QTest::newRow("8 to y1") << 8 << QPoint(0, -100) << false << tl << br;
    QTest::newRow("no handle") << 0 << QPoint(5, 5) << false << tl << br;
}

void TestCaptureSelection::resizeStep()
{
    QFETCH(int, handle);
    QFETCH(QPoint, delta);
    QFETCH(bool, accepted);
    QFETCH(QPoint, topLeft);
    QFETCH(QPoint, bottomRight);
    Sel s = selection(QPoint(100, 100), QPoint(300, 200));
    QCOMPARE(s.resizeBy(handle, delta), accepted);
    QCOMPARE(s.topLeft(), topLeft);
    QCOMPARE(s.bottomRight(), bottomRight);
    // Whatever the handle, the corners stay a consistent rectangle.
    QCOMPARE(s.topRight(), QPoint(bottomRight.x(), topLeft.y()));
    QCOMPARE(s.bottomLeft(), QPoint(topLeft.x(), bottomRight.y()));
}

void TestCaptureSelection::topLeftDraggedPastBottomRightStops()
{
    Sel s = selection(QPoint(100, 100), QPoint(300, 200));
    int accepted = 0;
    for (int i = 0; i < 10; ++i)
        accepted += s.resizeBy(Sel::TopLeftHandle, QPoint(30, 30)) ? 1 : 0;
    // 130, 160, 190 are taken; 220 would reach past y4 = 200.
    QCOMPARE(accepted, 3);
    QCOMPARE(s.topLeft(), QPoint(190, 190));
    QVERIFY(s.resizeBy(Sel::TopLeftHandle, QPoint(9, 9)));
    QCOMPARE(s.topLeft(), QPoint(199, 199));
    QVERIFY(!s.resizeBy(Sel::TopLeftHandle, QPoint(0, 1)));
    QCOMPARE(s.topLeft(), QPoint(199, 199));
}

// ---- moving ------------------------------------------------------------------

void TestCaptureSelection::moveStep_data()
{
    QTest::addColumn<QPoint>("startTopLeft");
    QTest::addColumn<QPoint>("startBottomRight");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<CaptureSelection::MoveResult>("result");
    addCornerColumns();
    using M = Sel::MoveResult;
    const QPoint tl(100, 100), br(300, 200);
    QTest::newRow("free") << tl << br << QPoint(10, 20) << M::Free << QPoint(110, 120) << QPoint(310, 220);
    QTest::newRow("free to x1 = 1") << tl << br << QPoint(-99, 0) << M::Free << QPoint(1, 100) << QPoint(201, 200);
    QTest::newRow("left snap") << tl << br << QPoint(-100, 0) << M::SnappedLeft << QPoint(0, 100) << QPoint(200, 200);
    QTest::newRow("left snap follows vertically")
        << tl << br << QPoint(-150, 30) << M::SnappedLeft << QPoint(0, 130) << QPoint(200, 230);
    QTest::newRow("left and above: stays") << tl << br << QPoint(-150, -120) << M::Refused << tl << br;
    QTest::newRow("top snap") << tl << br << QPoint(10, -100) << M::SnappedTop << QPoint(110, 0) << QPoint(310, 100);
    const QPoint rtl(1700, 100), rbr(1900, 200);
    QTest::newRow("free to x4 = W - 1")
        << rtl << rbr << QPoint(19, 0) << M::Free << QPoint(1719, 100) << QPoint(1919, 200);
    QTest::newRow("right snap at x4 = W")
        << rtl << rbr << QPoint(20, 0) << M::SnappedRight << QPoint(1720, 100) << QPoint(1920, 200);
    QTest::newRow("right snap follows vertically")
        << rtl << rbr << QPoint(30, 5) << M::SnappedRight << QPoint(1720, 105) << QPoint(1920, 205);
    const QPoint btl(100, 1000), bbr(300, 1050);
    QTest::newRow("free to y4 = H") << btl << bbr << QPoint(0, 30) << M::Free << QPoint(100, 1030) << QPoint(300, 1080);
    QTest::newRow("bottom snap")
        << btl << bbr << QPoint(5, 40) << M::SnappedBottom << QPoint(105, 1030) << QPoint(305, 1080);
    QTest::newRow("beyond right and bottom: stays")
        << QPoint(1700, 1000) << QPoint(1900, 1050) << QPoint(30, 40) << M::Refused << QPoint(1700, 1000)
        << QPoint(1900, 1050);
    QTest::newRow("top-left corner: stays")
        << QPoint(10, 10) << QPoint(210, 110) << QPoint(-20, -20) << M::Refused << QPoint(10, 10) << QPoint(210, 110);
}

void TestCaptureSelection::moveStep()
{
    QFETCH(QPoint, startTopLeft);
    QFETCH(QPoint, startBottomRight);
    QFETCH(QPoint, delta);
    QFETCH(CaptureSelection::MoveResult, result);
    QFETCH(QPoint, topLeft);
    QFETCH(QPoint, bottomRight);
    Sel s = selection(startTopLeft, startBottomRight);
    const QSize size = s.reportedSize();
    QCOMPARE(s.moveBy(delta), result);
    QCOMPARE(s.topLeft(), topLeft);
    QCOMPARE(s.bottomRight(), bottomRight);
    QCOMPARE(s.reportedSize(), size);
    QCOMPARE(s.topRight(), QPoint(bottomRight.x(), topLeft.y()));
}

// ---- keys and typed size -----------------------------------------------------

void TestCaptureSelection::arrowKeyStopsAtEdge_data()
{
    QTest::addColumn<QPoint>("startTopLeft");
    QTest::addColumn<QPoint>("startBottomRight");
    QTest::addColumn<CaptureSelection::Arrow>("arrow");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("resize");
    QTest::addColumn<bool>("moved");
    addCornerColumns();
    using A = Sel::Arrow;
    QTest::newRow("left to 0") << QPoint(1, 50) << QPoint(101, 90) << A::Left << 1 << false << true << QPoint(0, 50) << QPoint(100, 90);
    QTest::newRow("left at 0") << QPoint(0, 50) << QPoint(100, 90) << A::Left << 1 << false << false << QPoint(0, 50) << QPoint(100, 90);
    QTest::newRow("up to 0") << QPoint(50, 1) << QPoint(90, 101) << A::Up << 1 << false << true << QPoint(50, 0) << QPoint(90, 100);
    QTest::newRow("up at 0") << QPoint(50, 0) << QPoint(90, 100) << A::Up << 1 << false << false << QPoint(50, 0) << QPoint(90, 100);
    QTest::newRow("right to W-1")
        << QPoint(1800, 50) << QPoint(W - 2, 90) << A::Right << 1 << false << true << QPoint(1801, 50) << QPoint(W - 1, 90);
    QTest::newRow("right at W-1")
        << QPoint(1800, 50) << QPoint(W - 1, 90) << A::Right << 1 << false << false << QPoint(1800, 50) << QPoint(W - 1, 90);
    QTest::newRow("down to H-1")
        << QPoint(50, 900) << QPoint(90, H - 2) << A::Down << 1 << false << true << QPoint(50, 901) << QPoint(90, H - 1);
    QTest::newRow("down at H-1")
        << QPoint(50, 900) << QPoint(90, H - 1) << A::Down << 1 << false << false << QPoint(50, 900) << QPoint(90, H - 1);
    // Shift: ten pixels, up to the edge when less room is left.
    QTest::newRow("shift left 10") << QPoint(30, 50) << QPoint(130, 90) << A::Left << 10 << false << true
                                   << QPoint(20, 50) << QPoint(120, 90);
    QTest::newRow("shift left, 4 to the edge") << QPoint(4, 50) << QPoint(104, 90) << A::Left << 10 << false << true
                                               << QPoint(0, 50) << QPoint(100, 90);
    QTest::newRow("shift down, 3 to the edge") << QPoint(50, 900) << QPoint(90, H - 4) << A::Down << 10 << false
                                               << true << QPoint(50, 903) << QPoint(90, H - 1);
    // Ctrl: the bottom-right corner moves, the top-left stays.
    QTest::newRow("ctrl right grows") << QPoint(100, 100) << QPoint(200, 150) << A::Right << 1 << true << true
                                      << QPoint(100, 100) << QPoint(201, 150);
    QTest::newRow("ctrl up shrinks") << QPoint(100, 100) << QPoint(200, 150) << A::Up << 1 << true << true
                                     << QPoint(100, 100) << QPoint(200, 149);
    QTest::newRow("ctrl+shift down grows 10") << QPoint(100, 100) << QPoint(200, 150) << A::Down << 10 << true << true
                                              << QPoint(100, 100) << QPoint(200, 160);
    QTest::newRow("ctrl+shift left stops at 1 px") << QPoint(100, 100) << QPoint(105, 150) << A::Left << 10 << true
                                                   << true << QPoint(100, 100) << QPoint(101, 150);
    QTest::newRow("ctrl left at 1 px") << QPoint(100, 100) << QPoint(101, 150) << A::Left << 1 << true << false
                                       << QPoint(100, 100) << QPoint(101, 150);
    QTest::newRow("ctrl+shift right stops at W") << QPoint(1800, 50) << QPoint(W - 4, 90) << A::Right << 10 << true
                                                 << true << QPoint(1800, 50) << QPoint(W, 90);
    QTest::newRow("ctrl down at H") << QPoint(50, 900) << QPoint(90, H) << A::Down << 1 << true << false
                                    << QPoint(50, 900) << QPoint(90, H);
    QTest::newRow("ctrl with no selection") << QPoint(0, 0) << QPoint(0, 0) << A::Right << 1 << true << false
                                            << QPoint(0, 0) << QPoint(0, 0);
}

void TestCaptureSelection::arrowKeyStopsAtEdge()
{
    QFETCH(QPoint, startTopLeft);
    QFETCH(QPoint, startBottomRight);
    QFETCH(CaptureSelection::Arrow, arrow);
    QFETCH(int, step);
    QFETCH(bool, resize);
    QFETCH(bool, moved);
    QFETCH(QPoint, topLeft);
    QFETCH(QPoint, bottomRight);
    Sel s = selection(startTopLeft, startBottomRight);
    QCOMPARE(resize ? s.resizeByKey(arrow, step) : s.nudge(arrow, step), moved);
    QCOMPARE(s.topLeft(), topLeft);
    QCOMPARE(s.bottomRight(), bottomRight);
    QCOMPARE(s.bottomLeft(), QPoint(topLeft.x(), bottomRight.y()));
}

void TestCaptureSelection::fixedSizeFromTopLeft_data()
{
    QTest::addColumn<QPoint>("startTopLeft");
    QTest::addColumn<QPoint>("startBottomRight");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("shown");
    addCornerColumns();
    QTest::newRow("both") << QPoint(100, 100) << QPoint(150, 150) << 300 << 200 << true << QPoint(100, 100)
                          << QPoint(400, 300);
    QTest::newRow("width only") << QPoint(100, 100) << QPoint(150, 150) << 50 << 0 << true << QPoint(100, 100)
                                << QPoint(150, 150);
    QTest::newRow("height only") << QPoint(100, 100) << QPoint(150, 150) << 0 << 7 << true << QPoint(100, 100)
                                 << QPoint(150, 107);
    QTest::newRow("both zero") << QPoint(100, 100) << QPoint(150, 150) << 0 << 0 << true << QPoint(100, 100)
                               << QPoint(150, 150);
    QTest::newRow("cut at right edge") << QPoint(W - 100, 50) << QPoint(W - 50, 80) << 300 << 200 << true
                                       << QPoint(W - 100, 50) << QPoint(W, 250);
    QTest::newRow("cut at bottom edge") << QPoint(10, H - 10) << QPoint(20, H - 5) << 0 << 500 << true
                                        << QPoint(10, H - 10) << QPoint(20, H);
    // With no selection a width alone gives a line, which shows nothing;
    // both give a rectangle at the desktop's corner.
    QTest::newRow("empty, width only") << QPoint(0, 0) << QPoint(0, 0) << 300 << 0 << false << QPoint(0, 0)
                                       << QPoint(300, 0);
    QTest::newRow("empty, both") << QPoint(0, 0) << QPoint(0, 0) << 300 << 200 << true << QPoint(0, 0)
                                 << QPoint(300, 200);
}

void TestCaptureSelection::fixedSizeFromTopLeft()
{
    QFETCH(QPoint, startTopLeft);
    QFETCH(QPoint, startBottomRight);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, shown);
    QFETCH(QPoint, topLeft);
    QFETCH(QPoint, bottomRight);
    Sel s(QSize(W, H));
    s.updateCorners(startTopLeft, startBottomRight);
    s.setFixedSize(width, height);
    QCOMPARE(s.isShown(), shown);
    QCOMPARE(s.topLeft(), topLeft);
    QCOMPARE(s.bottomRight(), bottomRight);
    if (shown)
        QCOMPARE(s.topRight(), QPoint(bottomRight.x(), topLeft.y()));
}

// ---- label and outputs -------------------------------------------------------

void TestCaptureSelection::labelPlacement_data()
{
    addCornerColumns();
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QPoint>("startLine");
    QTest::addColumn<QPoint>("sizeLine");
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("textWidth");
    QTest::newRow("above, at x1") << QPoint(100, 100) << QPoint(300, 200) << QRect(100, 60, 150, 40)
                                  << QPoint(110, 75) << QPoint(110, 90) << QRect() << 1 << 0;
    // On a monitor of its own: the edges that count are the monitor's.
    QTest::newRow("narrow near a monitor's right edge")
        << QPoint(1200, 300) << QPoint(1250, 400) << QRect(1030, 260, 150, 40) << QPoint(1040, 275)
        << QPoint(1040, 290) << QRect(0, 56, 1280, 1024) << 1 << 0;
    QTest::newRow("near a monitor's top, not the desktop's")
        << QPoint(100, 80) << QPoint(300, 200) << QRect(100, 80, 150, 40) << QPoint(110, 95) << QPoint(110, 110)
        << QRect(0, 56, 1280, 1024) << 1 << 0;
    // At a device pixel ratio of 2 the box and its offsets double.
    QTest::newRow("scale 2") << QPoint(200, 200) << QPoint(600, 400) << QRect(200, 120, 300, 80)
                             << QPoint(220, 150) << QPoint(220, 180) << QRect() << 2 << 0;
    QTest::newRow("scale 2, narrow near the right edge")
        << QPoint(1800, 100) << QPoint(1900, 200) << QRect(1460, 20, 300, 80) << QPoint(1480, 50)
        << QPoint(1480, 80) << QRect() << 2 << 0;
    QTest::newRow("narrow near right edge: to the left")
        << QPoint(1800, 100) << QPoint(1900, 200) << QRect(1630, 60, 150, 40) << QPoint(1640, 75) << QPoint(1640, 90) << QRect() << 1 << 0;
    QTest::newRow("narrow, x1 + 150 = W - 1") << QPoint(1769, 100) << QPoint(1800, 200) << QRect(1769, 60, 150, 40)
                                               << QPoint(1779, 75) << QPoint(1779, 90) << QRect() << 1 << 0;
    QTest::newRow("narrow, x1 + 150 = W") << QPoint(1770, 100) << QPoint(1800, 200) << QRect(1600, 60, 150, 40)
                                           << QPoint(1610, 75) << QPoint(1610, 90) << QRect() << 1 << 0;
    QTest::newRow("wide near right edge") << QPoint(1750, 100) << QPoint(1900, 200) << QRect(1750, 60, 150, 40)
                                          << QPoint(1760, 75) << QPoint(1760, 90) << QRect() << 1 << 0;
    QTest::newRow("y1 = 40: above") << QPoint(100, 40) << QPoint(300, 200) << QRect(100, 0, 150, 40)
                                    << QPoint(110, 15) << QPoint(110, 30) << QRect() << 1 << 0;
    QTest::newRow("y1 = 39: inside the top") << QPoint(100, 39) << QPoint(300, 200) << QRect(100, 39, 150, 40)
                                             << QPoint(110, 54) << QPoint(110, 69) << QRect() << 1 << 0;
    QTest::newRow("both rules") << QPoint(1850, 5) << QPoint(1900, 50) << QRect(1680, 5, 150, 40)
                                << QPoint(1690, 20) << QPoint(1690, 35) << QRect() << 1 << 0;
    // Text wider than the box: the box widens to hold it with its margins,
    // and when moved to the left still ends 20 pixels before the selection.
    QTest::newRow("wide text") << QPoint(100, 100) << QPoint(300, 200) << QRect(100, 60, 220, 40)
                               << QPoint(110, 75) << QPoint(110, 90) << QRect() << 1 << 200;
    QTest::newRow("wide text, to the left") << QPoint(1800, 100) << QPoint(1900, 200) << QRect(1560, 60, 220, 40)
                                            << QPoint(1570, 75) << QPoint(1570, 90) << QRect() << 1 << 200;
    QTest::newRow("narrow text keeps the box") << QPoint(100, 100) << QPoint(300, 200) << QRect(100, 60, 150, 40)
                                               << QPoint(110, 75) << QPoint(110, 90) << QRect() << 1 << 120;
}

void TestCaptureSelection::labelPlacement()
{
    QFETCH(QPoint, topLeft);
    QFETCH(QPoint, bottomRight);
    QFETCH(QRect, box);
    QFETCH(QPoint, startLine);
    QFETCH(QPoint, sizeLine);
    QFETCH(QRect, bounds);
    QFETCH(int, scale);
    QFETCH(int, textWidth);
    const Sel::Label label = selection(topLeft, bottomRight).label(bounds, scale, textWidth);
    QCOMPARE(label.box, box);
    QCOMPARE(label.startLine, startLine);
    QCOMPARE(label.sizeLine, sizeLine);
}

void TestCaptureSelection::outputRectangles_data()
{
    addCornerColumns();
    QTest::addColumn<QSize>("reported");
    QTest::addColumn<QRect>("shown");
    QTest::addColumn<QRect>("file");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("clipboard");
    QTest::addColumn<QRect>("saved");
    QTest::newRow("200 x 100") << QPoint(100, 100) << QPoint(300, 200) << QSize(200, 100)
                               << QRect(100, 100, 201, 101) << QRect(100, 100, 200, 100) << QRect(99, 99, 202, 102)
                               << QRect(100, 100, 201, 101) << QRect(100, 100, 200, 100);
    QTest::newRow("100 x 50") << QPoint(10, 10) << QPoint(110, 60) << QSize(100, 50) << QRect(10, 10, 101, 51)
                              << QRect(10, 10, 100, 50) << QRect(9, 9, 102, 52) << QRect(10, 10, 101, 51)
                              << QRect(10, 10, 100, 50);
    // Out to the bottom-right corner: the clipboard gets no column or row
    // beyond the desktop.
    QTest::newRow("to the corner") << QPoint(W - 100, H - 50) << QPoint(W, H) << QSize(100, 50)
                                   << QRect(W - 100, H - 50, 101, 51) << QRect(W - 100, H - 50, 100, 50)
                                   << QRect(W - 101, H - 51, 102, 52) << QRect(W - 100, H - 50, 100, 50)
                                   << QRect(W - 100, H - 50, 100, 50);
    // No selection: the outputs take the whole desktop.
    QTest::newRow("empty") << QPoint(0, 0) << QPoint(0, 0) << QSize(0, 0) << QRect(0, 0, 1, 1)
                           << QRect(0, 0, 0, 0) << QRect(-1, -1, 2, 2) << QRect(0, 0, W, H) << QRect(0, 0, W, H);
}

void TestCaptureSelection::outputRectangles()
{
    QFETCH(QPoint, topLeft);
    QFETCH(QPoint, bottomRight);
    QFETCH(QSize, reported);
    QFETCH(QRect, shown);
    QFETCH(QRect, file);
    QFETCH(QRect, frame);
    QFETCH(QRect, clipboard);
    QFETCH(QRect, saved);
    Sel s(QSize(W, H));
    s.updateCorners(topLeft, bottomRight);
    QCOMPARE(s.reportedSize(), reported);
    QCOMPARE(s.shownRect(), shown);
    QCOMPARE(s.fileRect(), file);
    QCOMPARE(s.frameRect(), frame);
    QCOMPARE(s.clipboardRect(), clipboard);
    QCOMPARE(s.saveRect(), saved);
}

QTEST_APPLESS_MAIN(TestCaptureSelection)
#include "tst_captureselection.moc"
