#include "roundedframe.h"

#include <QBrush>
#include <QPainter>
#include <QPixmap>
#include <QRect>

namespace RoundedFrame {

void paint(QPainter &painter, const QRect &rect, const QPixmap &background)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (background.isNull())
        painter.setBrush(Qt::white);
    else
        painter.setBrush(QBrush(background));
    painter.drawRoundedRect(rect, Radius, Radius, Qt::AbsoluteSize);
    // Dark enough that the strip's white title reads at more than 4.5:1.
    painter.setBrush(QColor(0x5c, 0x5f, 0x66));
    painter.drawRoundedRect(QRect(rect.left(), rect.top(), rect.width(), StripHeight),
                            Radius, Radius, Qt::AbsoluteSize);
    painter.restore();
}

}
