#include "accessiblenames.h"

#include <QAbstractButton>
#include <QEvent>
#include <QWidget>

bool AccessibleNames::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Polish && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        // A button's own text is its name already.
        const auto *button = qobject_cast<QAbstractButton *>(widget);
        if (widget->accessibleName().isEmpty() && !widget->toolTip().isEmpty()
            && !(button && !button->text().isEmpty()))
            widget->setAccessibleName(widget->toolTip());
    }
    return QObject::eventFilter(watched, event);
}
