#include "picwidget.h"

#include <QPainter>

PicWidget::PicWidget(QWidget *parent)
    : QWidget(parent)
    , picture(QStringLiteral(":/img/aboutback.png"))
{
    setFixedSize(200, 300);
}

void PicWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
}
