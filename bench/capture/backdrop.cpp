#include "backdrop.h"

#include <QLinearGradient>
#include <QPainter>

Backdrop::Backdrop(const QRect &area, const QString &rowText)
    : QWidget(nullptr, Qt::FramelessWindowHint)
    , m_rowText(rowText)
{
    setGeometry(area);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Backdrop::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient gradient(0, 0, width(), height());
    gradient.setColorAt(0, QColor(30, 90, 160));
    gradient.setColorAt(1, QColor(220, 160, 60));
    painter.fillRect(rect(), gradient);
    painter.setPen(Qt::white);
    for (int y = 0; y < height(); y += 40)
        painter.drawText(20, y + 30, m_rowText.arg(y));
}
