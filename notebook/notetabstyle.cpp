#include "notetabstyle.h"

#include "notetabbar.h"

#include <QApplication>
#include <QPointer>
#include <QStyleOptionTab>

NoteTabStyle::NoteTabStyle(const QString &baseKey)
    : QProxyStyle(baseKey)
{
}

NoteTabStyle *NoteTabStyle::instance()
{
    // A widget does not own the style it is given, and a style must outlive
    // every widget using it: the application owns this one.
    static QPointer<NoteTabStyle> shared;
    if (!shared) {
        shared = new NoteTabStyle(QApplication::style()->name());
        shared->setParent(qApp);
    }
    return shared;
}

void NoteTabStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element != CE_TabBarTab)
        return;
    const auto *bar = qobject_cast<const NoteTabBar *>(widget);
    const auto *tab = qstyleoption_cast<const QStyleOptionTab *>(option);
    if (bar && tab)
        bar->paintCloseGlyph(painter, *tab);
}
