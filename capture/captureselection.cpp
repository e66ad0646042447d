#include "captureselection.h"

#include <algorithm>

namespace {
constexpr int LabelWidth = 150;
constexpr int LabelHeight = 40;
constexpr int LabelLeftShift = 170;

// Hit zones are given by inclusive bounds.
QRect zone(int left, int right, int top, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
}

CaptureSelection::CaptureSelection(QSize desktop)
    : m_width(desktop.width())
    , m_height(desktop.height())
{
}

void CaptureSelection::setDesktopSize(QSize desktop)
{
    m_width = desktop.width();
    m_height = desktop.height();
}

void CaptureSelection::updateCorners(QPoint p, QPoint q)
{
    if (p.x() == q.x() || p.y() == q.y())
        return;
    const int minX = std::min(p.x(), q.x());
    const int maxX = std::max(p.x(), q.x());
    const int minY = std::min(p.y(), q.y());
    const int maxY = std::max(p.y(), q.y());
    m_topLeft = QPoint(minX, minY);
    m_topRight = QPoint(maxX, minY);
    m_bottomLeft = QPoint(minX, maxY);
    m_bottomRight = QPoint(maxX, maxY);
}

void CaptureSelection::clear()
{
    m_topLeft = m_topRight = m_bottomLeft = m_bottomRight = QPoint(0, 0);
}

bool CaptureSelection::isShown() const
{
    return m_topLeft.x() != m_bottomRight.x() && m_topLeft.y() != m_bottomRight.y();
}

bool CaptureSelection::interiorContains(QPoint p) const
{
    return p.x() > m_topLeft.x() && p.x() < m_bottomRight.x() && p.y() > m_topLeft.y()
        && p.y() < m_bottomRight.y();
}

QRect CaptureSelection::handleZone(int handle) const
{
    const int x1 = m_topLeft.x(), y1 = m_topLeft.y();
    const int x2 = m_topRight.x(), y2 = m_topRight.y();
    const int x3 = m_bottomLeft.x(), y3 = m_bottomLeft.y();
    const int x4 = m_bottomRight.x(), y4 = m_bottomRight.y();
    switch (handle) {
    case TopLeftHandle:
        return zone(x1 - 5, x1 - 1, y1 - 5, y1 - 1);
    case TopRightHandle:
        return zone(x2 + 1, x2 + 5, y2 - 5, y2 + 1);
    case BottomLeftHandle:
        return zone(x3 - 5, x3 - 1, y3 + 1, y3 + 5);
    case BottomRightHandle:
        return zone(x4 + 1, x4 + 5, y4 + 1, y4 + 5);
    case TopHandle:
        return zone((x1 + x2) / 2 - 2, (x1 + x2) / 2 + 2, y1 - 4, y1 - 1);
    case LeftHandle:
        return zone(x1 - 4, x1 - 1, (y1 + y3) / 2 - 2, (y1 + y3) / 2 + 2);
    case RightHandle:
        return zone(x2 + 1, x2 + 4, (y2 + y4) / 2 - 2, (y2 + y4) / 2 + 2);
    case BottomHandle:
        return zone((x3 + x4) / 2 - 2, (x3 + x4) / 2 + 2, y3 + 1, y3 + 4);
    default:
        return QRect();
    }
}

QRect CaptureSelection::handleSquare(int handle) const
{
    const int x1 = m_topLeft.x(), y1 = m_topLeft.y();
    const int x2 = m_topRight.x(), y2 = m_topRight.y();
    const int x3 = m_bottomLeft.x(), y3 = m_bottomLeft.y();
    const int x4 = m_bottomRight.x(), y4 = m_bottomRight.y();
    QPoint at;
    switch (handle) {
    case TopLeftHandle:
        at = QPoint(x1 - 3, y1 - 3);
        break;
    case TopRightHandle:
        at = QPoint(x2, y2 - 3);
        break;
    case BottomLeftHandle:
        at = QPoint(x3 - 3, y3 + 1);
        break;
    case BottomRightHandle:
        at = QPoint(x4 + 1, y4 + 1);
        break;
    case TopHandle:
        at = QPoint((x1 + x2) / 2 - 2, y1 - 4);
        break;
    case LeftHandle:
        at = QPoint(x1 - 4, (y1 + y3) / 2 - 2);
        break;
    case RightHandle:
        at = QPoint(x2 + 1, (y2 + y4) / 2 - 2);
        break;
    case BottomHandle:
        at = QPoint((x3 + x4) / 2 - 2, y3 + 1);
        break;
    default:
        return QRect();
    }
    return QRect(at, QSize(3, 3));
}

int CaptureSelection::pressedHandle(QPoint p) const
{
    static constexpr int order[] = {TopLeftHandle, TopRightHandle, BottomLeftHandle, BottomRightHandle,
                                    TopHandle, LeftHandle, BottomHandle, RightHandle};
    int found = NoHandle;
    for (int handle : order) {
        if (handleZone(handle).contains(p))
            found = handle;
    }
    return found;
}

bool CaptureSelection::hits(QPoint p) const
{
    return interiorContains(p) || pressedHandle(p) != NoHandle;
}

bool CaptureSelection::hitsInteriorOrCorner(QPoint p) const
{
    if (interiorContains(p))
        return true;
    for (int handle = TopLeftHandle; handle <= BottomRightHandle; ++handle) {
        if (handleZone(handle).contains(p))
            return true;
    }
    return false;
}

Qt::CursorShape CaptureSelection::hoverShape(QPoint p) const
{
    if (handleZone(TopLeftHandle).contains(p))
        return Qt::SizeFDiagCursor;
    if (interiorContains(p))
        return Qt::SizeAllCursor;
    if (handleZone(TopRightHandle).contains(p) || handleZone(BottomLeftHandle).contains(p))
        return Qt::SizeBDiagCursor;
    if (handleZone(BottomRightHandle).contains(p))
        return Qt::SizeFDiagCursor;
    if (handleZone(TopHandle).contains(p))
        return Qt::SizeVerCursor;
    if (handleZone(LeftHandle).contains(p))
        return Qt::SizeHorCursor;
    if (handleZone(BottomHandle).contains(p))
        return Qt::SizeVerCursor;
    if (handleZone(RightHandle).contains(p))
        return Qt::SizeHorCursor;
    return Qt::ArrowCursor;
}

bool CaptureSelection::resizeBy(int handle, QPoint delta)
{
    switch (handle) {
    case TopLeftHandle: {
        const QPoint moved = m_topLeft + delta;
        if (moved.x() >= m_bottomRight.x() || moved.y() >= m_bottomRight.y())
            return false;
        m_topLeft = moved;
        updateCorners(m_topLeft, m_bottomRight);
        return true;
    }
    case TopRightHandle: {
        const QPoint moved = m_topRight + delta;
        if (moved.x() <= m_bottomLeft.x() || moved.y() >= m_bottomLeft.y())
            return false;
        m_topRight = moved;
        updateCorners(m_topRight, m_bottomLeft);
        return true;
    }
    case BottomLeftHandle: {
        const QPoint moved = m_bottomLeft + delta;
        if (moved.x() >= m_topRight.x() || moved.y() <= m_topRight.y())
            return false;
        m_bottomLeft = moved;
        updateCorners(m_bottomLeft, m_topRight);
        return true;
    }
    case BottomRightHandle: {
        const QPoint moved = m_bottomRight + delta;
        if (moved.x() <= m_topLeft.x() || moved.y() <= m_topLeft.y())
            return false;
        m_bottomRight = moved;
        updateCorners(m_bottomRight, m_topLeft);
        return true;
    }
    case TopHandle: {
        const int y1 = m_topLeft.y() + delta.y();
        if (y1 >= m_bottomLeft.y())
            return false;
        m_topLeft.setY(y1);
        updateCorners(m_topLeft, m_bottomRight);
        return true;
    }
    case LeftHandle: {
        const int x1 = m_topLeft.x() + delta.x();
        if (x1 >= m_bottomRight.x())
            return false;
        m_topLeft.setX(x1);
        updateCorners(m_topLeft, m_bottomRight);
        return true;
    }
    case RightHandle: {
        const int x2 = m_topRight.x() + delta.x();
        if (x2 <= m_bottomLeft.x())
            return false;
        m_topRight.setX(x2);
        updateCorners(m_topRight, m_bottomLeft);
        return true;
    }
    case BottomHandle: {
        const int y3 = m_bottomLeft.y() + delta.y();
        if (y3 <= m_topLeft.y())
            return false;
        m_bottomLeft.setY(y3);
        updateCorners(m_bottomLeft, m_topRight);
        return true;
    }
    default:
        return false;
    }
}

CaptureSelection::MoveResult CaptureSelection::moveBy(QPoint delta)
{
    const int W = m_width;
    const int H = m_height;
    const int dx = delta.x(), dy = delta.y();
    const int nx1 = m_topLeft.x() + dx, ny1 = m_topLeft.y() + dy;
    const int nx2 = m_topRight.x() + dx, ny2 = m_topRight.y() + dy;
    const int nx3 = m_bottomLeft.x() + dx, ny3 = m_bottomLeft.y() + dy;
    const int nx4 = m_bottomRight.x() + dx, ny4 = m_bottomRight.y() + dy;
    const int width = m_topRight.x() - m_bottomLeft.x();
    const int height = m_bottomLeft.y() - m_topRight.y();

    MoveResult result;
    if (nx1 > 0 && nx1 <= W && ny1 > 0 && ny1 <= H && nx4 >= 0 && nx4 < W && ny4 >= 0 && ny4 <= H) {
        m_topLeft += delta;
        m_bottomRight += delta;
        result = MoveResult::Free;
    } else if (nx1 <= 0 && ny3 <= H && ny1 >= 0) {
        m_topLeft = QPoint(0, ny1);
        m_bottomRight = QPoint(m_bottomRight.x() - m_bottomLeft.x(), ny4);
        result = MoveResult::SnappedLeft;
    } else if (ny1 <= 0 && nx1 >= 0 && nx2 <= W) {
        m_topLeft = QPoint(nx1, 0);
        m_bottomRight = QPoint(nx4, height);
        result = MoveResult::SnappedTop;
    } else if (nx4 >= W && ny2 >= 0 && ny4 <= H) {
        m_topLeft = QPoint(W - width, ny1);
        m_bottomRight = QPoint(W, ny4);
        result = MoveResult::SnappedRight;
    } else if (ny4 >= H && nx4 <= W && nx3 >= 0) {
        m_topLeft = QPoint(nx1, H - height);
        m_bottomRight = QPoint(nx4, H);
        result = MoveResult::SnappedBottom;
    } else {
        return MoveResult::Refused;
    }
    updateCorners(m_topLeft, m_bottomRight);
    return result;
}

bool CaptureSelection::nudge(Arrow arrow, int step)
{
    // Room between the selection and the edge it moves towards; the
    // bottom-right corner stays one pixel inside the desktop.
    QPoint delta;
    switch (arrow) {
    case Arrow::Left:
        delta = QPoint(-std::min(step, m_topLeft.x()), 0);
        break;
    case Arrow::Up:
        delta = QPoint(0, -std::min(step, m_topLeft.y()));
        break;
    case Arrow::Right:
        delta = QPoint(std::min(step, m_width - 1 - m_bottomRight.x()), 0);
        break;
    case Arrow::Down:
        delta = QPoint(0, std::min(step, m_height - 1 - m_bottomRight.y()));
        break;
    }
    if (delta.isNull())
        return false;
    m_topLeft += delta;
    m_bottomRight += delta;
    updateCorners(m_topLeft, m_bottomRight);
    return true;
}

bool CaptureSelection::resizeByKey(Arrow arrow, int step)
{
    if (!isShown())
        return false;
    QPoint corner = m_bottomRight;
    switch (arrow) {
    case Arrow::Left:
        corner.rx() = std::max(m_topLeft.x() + 1, corner.x() - step);
        break;
    case Arrow::Up:
        corner.ry() = std::max(m_topLeft.y() + 1, corner.y() - step);
        break;
    case Arrow::Right:
        corner.rx() = std::min(m_width, corner.x() + step);
        break;
    case Arrow::Down:
        corner.ry() = std::min(m_height, corner.y() + step);
        break;
    }
    if (corner == m_bottomRight)
        return false;
    updateCorners(m_topLeft, corner);
    return true;
}

void CaptureSelection::setFixedSize(int width, int height)
{
    if (width != 0) {
        m_bottomRight.setX(std::min(m_topLeft.x() + width, m_width));
        updateCorners(m_topLeft, m_bottomRight);
    }
    if (height != 0) {
        m_bottomRight.setY(std::min(m_topLeft.y() + height, m_height));
        updateCorners(m_topLeft, m_bottomRight);
    }
}

QSize CaptureSelection::reportedSize() const
{
    return QSize(m_bottomRight.x() - m_topLeft.x(), m_bottomRight.y() - m_topLeft.y());
}

QRect CaptureSelection::shownRect() const
{
    return QRect(m_topLeft, m_bottomRight);
}

QRect CaptureSelection::fileRect() const
{
    return QRect(m_topLeft, m_bottomRight - QPoint(1, 1));
}

QRect CaptureSelection::frameRect() const
{
    return QRect(m_topLeft - QPoint(1, 1), m_bottomRight);
}

QRect CaptureSelection::clipboardRect() const
{
    const QRect desktop(0, 0, m_width, m_height);
    return isShown() ? shownRect() & desktop : desktop;
}

QRect CaptureSelection::saveRect() const
{
    return isShown() ? fileRect() : QRect(0, 0, m_width, m_height);
}

CaptureSelection::Label CaptureSelection::label(const QRect &bounds, int scale, int textWidth) const
{
    const QRect area = bounds.isValid() ? bounds : QRect(0, 0, m_width, m_height);
    const int x1 = m_topLeft.x();
    const int y1 = m_topLeft.y();
    // Ten pixels of margin on both sides of the text.
    const int boxWidth = std::max(LabelWidth * scale, textWidth + 20 * scale);
    const int boxHeight = LabelHeight * scale;
    const bool atLeftEdge = m_bottomRight.x() - x1 >= boxWidth || x1 + boxWidth < area.x() + area.width();
    const bool above = y1 - area.y() >= boxHeight;
    Label label;
    // Moved to the left, the box ends 20 pixels left of the selection.
    const int boxLeft = atLeftEdge ? x1 : x1 - (LabelLeftShift - LabelWidth) * scale - boxWidth;
    label.box = QRect(boxLeft, above ? y1 - boxHeight : y1, boxWidth, boxHeight);
    const int textX = boxLeft + 10 * scale;
    label.startLine = QPoint(textX, above ? y1 - 25 * scale : y1 + 15 * scale);
    label.sizeLine = QPoint(textX, above ? y1 - 10 * scale : y1 + 30 * scale);
    return label;
}

bool CaptureSelection::operator==(const CaptureSelection &other) const
{
    return m_topLeft == other.m_topLeft && m_topRight == other.m_topRight
        && m_bottomLeft == other.m_bottomLeft && m_bottomRight == other.m_bottomRight
        && m_width == other.m_width && m_height == other.m_height;
}
