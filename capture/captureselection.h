#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

/// The capture selection as a plain value: its four corners on a desktop of
/// a known size, the eight handles around it and the rules by which drags,
/// arrow keys and a typed size change it. No widgets, no painting.
///
/// Coordinates are desktop pixels counted from the desktop's top-left corner.
/// x1, y1 is topLeft, x2, y2 topRight, x3, y3 bottomLeft, x4, y4 bottomRight.
/// All four corners at (0, 0) means "no selection". The on-screen area spans
/// columns x1..x4 and rows y1..y4 inclusive; the size shown to the user, and
/// the size of a saved file, is (x4 - x1) x (y4 - y1).
///
/// The operations write the corners they name and then rebuild the other
/// ones with updateCorners(), which refuses a degenerate pair. So a change
/// that would give zero width or height keeps the corners it did not write.
class CaptureSelection
{
public:
    enum Handle {
        NoHandle = 0,
        TopLeftHandle = 1,
        TopRightHandle = 2,
        BottomLeftHandle = 3,
        BottomRightHandle = 4,
        TopHandle = 5,
        LeftHandle = 6,
        RightHandle = 7,
        BottomHandle = 8,
    };

    enum class MoveResult { Free, SnappedLeft, SnappedTop, SnappedRight, SnappedBottom, Refused };
    enum class Arrow { Left, Up, Right, Down };

    /// Where the translucent label box goes and where its two text lines start
    /// (text baseline origins).
    struct Label
    {
        QRect box;
        QPoint startLine;
        QPoint sizeLine;
    };

    explicit CaptureSelection(QSize desktop = QSize(-1, -1));

    void setDesktopSize(QSize desktop);
    int desktopWidth() const { return m_width; }
    int desktopHeight() const { return m_height; }

    QPoint topLeft() const { return m_topLeft; }
    QPoint topRight() const { return m_topRight; }
    QPoint bottomLeft() const { return m_bottomLeft; }
    QPoint bottomRight() const { return m_bottomRight; }

    /// Derives all four corners from two opposite points given in any order;
    /// nothing changes when they share a column or a row.
    void updateCorners(QPoint p, QPoint q);
    /// Back to "no selection": all corners at (0, 0).
    void clear();

    /// Whether a selection is drawn at all (x1 != x4 and y1 != y4).
    bool isShown() const;
    /// Strictly inside the selection: x1 < px < x4 and y1 < py < y4.
    bool interiorContains(QPoint p) const;

    /// Hit zone of a handle, bounds inclusive (QRect::contains semantics).
    QRect handleZone(int handle) const;
    /// The 3x3 square drawn for a handle: QRect(x, y, 3, 3).
    QRect handleSquare(int handle) const;
    /// The handle a left press at p grabs: zones tested 1..6, 8, 7 with the
    /// last match winning; NoHandle when none contains p.
    int pressedHandle(QPoint p) const;
    /// In the interior or in any handle zone.
    bool hits(QPoint p) const;
    /// In the interior or in one of the corner zones 1 to 4 (where a right
    /// release opens the menu).
    bool hitsInteriorOrCorner(QPoint p) const;
    /// Hover cursor at p: first match of zone 1, interior, zones 2..6, 8, 7;
    /// ArrowCursor elsewhere.
    Qt::CursorShape hoverShape(QPoint p) const;

    /// One incremental resize step through a handle. Returns false, changing
    /// nothing, when the step would collapse or turn over the rectangle.
    bool resizeBy(int handle, QPoint delta);
    /// One incremental move step with the edge snaps.
    MoveResult moveBy(QPoint delta);
    /// One arrow-key nudge by step pixels (1, or 10 with Shift). A step
    /// that would cross the desktop's edge goes up to the edge; false when
    /// the selection already touches it.
    bool nudge(Arrow arrow, int step = 1);
    /// Ctrl+arrow: resizes by step pixels through the bottom-right corner
    /// (Right and Down grow, Left and Up shrink), keeping the top-left. It
    /// stops at the desktop's edge and at a size of one pixel; false when
    /// nothing changes.
    bool resizeByKey(Arrow arrow, int step = 1);
    /// Fixed size typed by the user, measured from the top-left corner and
    /// cut at the desktop edge; 0 leaves that dimension alone.
    void setFixedSize(int width, int height);

    /// (x4 - x1, y4 - y1): the size shown in the label and saved to a file.
    QSize reportedSize() const;
    /// Columns x1..x4, rows y1..y4: the undimmed area and the clipboard image.
    QRect shownRect() const;
    /// Columns x1..x4-1, rows y1..y4-1: the area written to an image file.
    QRect fileRect() const;
    /// The frame drawn around the selection: corners (x1-1, y1-1), (x4, y4);
    /// stroked with a one-pixel pen it lies just outside the shown area.
    QRect frameRect() const;
    /// What Space, a double click or the clipboard entry copy: the shown area
    /// cut to the desktop, or the whole desktop when nothing is selected.
    QRect clipboardRect() const;
    /// What saving writes: the file area, or the whole desktop when nothing
    /// is selected.
    QRect saveRect() const;
    /// Label box placement and text origins. The box stays inside bounds
    /// (the monitor it is shown on; the whole desktop by default), and its
    /// sizes and offsets are multiplied by scale (the device pixel ratio).
    /// textWidth is the widest of its two lines in device pixels: the box
    /// widens to hold it, so no text is cut.
    Label label(const QRect &bounds = QRect(), int scale = 1, int textWidth = 0) const;

    bool operator==(const CaptureSelection &other) const;
    bool operator!=(const CaptureSelection &other) const { return !(*this == other); }

private:
    QPoint m_topLeft;
    QPoint m_topRight;
    QPoint m_bottomLeft;
    QPoint m_bottomRight;
    int m_width = -1;
    int m_height = -1;
};
