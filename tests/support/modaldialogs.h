#pragma once

// Drives a modal dialog that a slot under test opens with exec(): the
// callback runs from the dialog's own event loop once it is on the screen.

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>

namespace ModalDialogs {

/// Finds the first visible top-level window of type T.
template<typename T> T *shown()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<T *>(widget); found && found->isVisible())
            return found;
    }
    return nullptr;
}

/// Calls act on the next T that appears (within ten seconds). Returns a flag
/// that tells afterwards whether it ran.
template<typename T> std::shared_ptr<bool> whenShown(std::function<void(T *)> act)
{
    auto ran = std::make_shared<bool>(false);
    auto *poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, ran, tries] {
        T *dialog = shown<T>();
        if (dialog && dialog->windowHandle() && dialog->windowHandle()->isExposed()) {
            poll->stop();
            poll->deleteLater();
            *ran = true;
            act(dialog);
        } else if (++*tries > 500) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(20);
    return ran;
}

}
