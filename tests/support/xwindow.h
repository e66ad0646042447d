#pragma once

// What the X server itself says about a top-level window, read with the
// standard X tools from another process.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QWidget>
#include <QWindow>

namespace XWindow {

/// The native window id. QWidget::winId() keeps the old id after
/// setWindowFlags() has replaced the native window, so ask the QWindow.
inline QString id(const QWidget *window)
{
    return QString::number(window->windowHandle()->winId());
}

inline QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(5000))
        return QString();
    return QString::fromLatin1(process.readAllStandardOutput());
}

/// The window's top-left corner on the screen; (-1, -1) when unknown.
/// QWidget::pos() can say (0, 0) for a while after the window manager placed
/// a new window.
inline QPoint position(const QWidget *window)
{
    const QString out = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id(window)});
    const QRegularExpressionMatch x = QRegularExpression(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)")).match(out);
    const QRegularExpressionMatch y = QRegularExpression(QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)")).match(out);
    if (!x.hasMatch() || !y.hasMatch())
        return QPoint(-1, -1);
    return QPoint(x.captured(1).toInt(), y.captured(1).toInt());
}

/// The atoms of the window's _NET_WM_STATE, as the window manager keeps it.
inline QStringList netWmState(const QWidget *window)
{
    const QString out = run(QStringLiteral("xprop"), {QStringLiteral("-id"), id(window), QStringLiteral("_NET_WM_STATE")});
    return out.section(QLatin1Char('='), 1).trimmed().split(QStringLiteral(", "), Qt::SkipEmptyParts);
}

}
