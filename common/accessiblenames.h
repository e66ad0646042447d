#pragma once

#include <QObject>

/// Gives every widget of the program an accessible name, so that screen
/// readers announce more than "button": a widget without one is named by
/// its tool tip when it is first polished (before it first shows). Installed
/// once on the application; widgets with a name or a text of their own keep it.
class AccessibleNames : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
