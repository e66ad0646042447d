#pragma once

// A main window in a scratch working directory, and helpers that drive its
// editors and modal dialogs the way a user would: real clicks and keys.

#include "dialog.h"
#include "formatbar.h"
#include "notebook.h"
#include "xdgautostartentry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

/// Owns a Dialog started in a fresh working directory holding index.dat.
class EditingWindow
{
public:
    /// prepare: puts more files (tab.dat) into the working directory first.
    explicit EditingWindow(const QByteArray &indexHtml = "<p><b>首页</b> home</p>",
                           const std::function<void(const QString &dir)> &prepare = nullptr)
    {
        previousDir = QDir::currentPath();
        QFile index(work.path() + QLatin1String("/index.dat"));
        if (index.open(QIODevice::WriteOnly))
            index.write(indexHtml);
        index.close();
        if (prepare)
            prepare(work.path());
        QDir::setCurrent(work.path());
        window = new Dialog(std::make_unique<XdgAutoStartEntry>(work.path() + QLatin1String("/config")));
    }
    ~EditingWindow()
    {
        delete window;
        QDir::setCurrent(previousDir);
    }

    QString path(const QString &name) const { return work.path() + QLatin1Char('/') + name; }

    bool show()
    {
        window->move(300, 200);
        window->show();
        return QTest::qWaitForWindowExposed(window);
    }

    template<typename T> T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    FormatBar *bar() const { return child<FormatBar>("formatBar"); }
    QTabWidget *tabs() const { return child<QTabWidget>("tabWidget"); }
    QTextEdit *current() const { return window->notes()->currentEditor(); }

    /// Adds an ordinary tab and types text into it.
    QTextEdit *addNote(const QString &name, const QString &text = QString())
    {
        window->notes()->addTab(name);
        QTextEdit *editor = current();
        if (!text.isEmpty())
            QTest::keyClicks(editor, text);
        return editor;
    }

    QTemporaryDir work;
    Dialog *window = nullptr;
    QString previousDir;
};

namespace EditingTools {

/// Runs action on the first modal dialog of type T that appears (and, given
/// ready, is ready) within the next timeoutMs; the dialog is rejected if the
/// action leaves it open.
template<typename T>
void whenModal(std::function<void(T *)> action, std::function<bool(T *)> ready = nullptr,
               int timeoutMs = 5000)
{
    auto *poll = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, action, ready, timeoutMs] {
        T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (dialog && ready && !ready(dialog))
            dialog = nullptr;
        if (!dialog && clock->elapsed() < timeoutMs)
            return;
        poll->stop();
        poll->deleteLater();
        if (!dialog)
            return;
        QPointer<T> guard(dialog);
        action(dialog);
        // A failed check returns early: never leave the test hanging in exec().
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll->start(20);
}

/// Where a click puts the cursor just after character position pos.
inline QPoint pointAfter(QTextEdit *editor, int pos)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(pos);
    const QRect r = editor->cursorRect(cursor);
    return QPoint(r.left() + 1, r.center().y());
}

/// Clicks the mouse into the text so that the cursor lands at pos.
inline void clickAt(QTextEdit *editor, int pos)
{
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, pointAfter(editor, pos));
}

/// Selects length characters from from, with the keyboard.
inline void selectByKeys(QTextEdit *editor, int from, int length)
{
    QTest::keyClick(editor, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < from; ++i)
        QTest::keyClick(editor, Qt::Key_Right);
    for (int i = 0; i < length; ++i)
        QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
}

/// The character format of the character at pos (not the one before it).
inline QTextCharFormat formatAt(QTextEdit *editor, int pos)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(pos + 1);
    return cursor.charFormat();
}

}
