#include "slidein.h"

#include <QPropertyAnimation>
#include <QWidget>

namespace SlideIn {

QRect endRect(QSize itemSize, QSize hostSize)
{
    return QRect(QPoint(hostSize.width() / 2 - itemSize.width() / 2,
                        hostSize.height() - itemSize.height() - 1),
                 itemSize);
}

void start(QPropertyAnimation *animation, QWidget *item, QSize hostSize)
{
    // A stopped animation restarts from its new start value; a running one
    // is restarted too, so a second message slides in again from the corner.
    animation->stop();
    animation->setDuration(DurationMs);
    animation->setStartValue(QRect(QPoint(0, 0), item->size()));
    animation->setEndValue(endRect(item->size(), hostSize));
    item->show();
    animation->start();
}

}
