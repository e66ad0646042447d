#include "windowshortcuts.h"

#include "editorbehaviour.h"
#include "formatbar.h"
#include "menudialog.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QShortcut>
#include <QTextEdit>
#include <QToolButton>

void WindowShortcuts::install(QWidget *window, const Targets &targets)
{
    if (targets.newNote) {
        QAbstractButton *button = targets.newNote;
        const QKeySequence keys(Qt::CTRL | Qt::Key_N);
        button->setShortcut(keys);
        if (button->accessibleDescription().isEmpty())
            button->setAccessibleDescription(button->toolTip());
        button->setToolTip(QStringLiteral("%1 (%2)").arg(button->toolTip(), keys.toString(QKeySequence::NativeText)));
    }
    if (targets.formatBar)
        targets.formatBar->button(FormatBar::Print)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    if (MenuDialog *menu = targets.menu) {
        // The panel is folded away most of the time: the window has the keys.
        QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), window), &QShortcut::activated,
                         menu, &MenuDialog::sigSave);
        QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), window), &QShortcut::activated,
                         menu, &MenuDialog::sigOpen);
    }
    if (targets.currentEditor) {
        const auto current = targets.currentEditor;
        QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), window), &QShortcut::activated,
                         window, [current] { EditorBehaviour::find(current(), false); });
        QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), window), &QShortcut::activated,
                         window, [current] { EditorBehaviour::find(current(), true); });
    }
}
