#include "pinframe.h"

QRect PinFrame::window(const QRect &picture, const QMargins &around, bool bare, QSize minimum)
{
    if (bare)
        return picture;
    QRect frame = picture.marginsAdded(around);
    frame.setSize(frame.size().expandedTo(minimum));
    return frame;
}

QPoint PinFrame::pictureAt(QPoint at, const QMargins &around, bool bare)
{
    return bare ? at : at + QPoint(around.left(), around.top());
}
