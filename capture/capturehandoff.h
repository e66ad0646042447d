#pragma once

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>

class PinStandIn;
class QWidget;

/// Where the overlay hands a selection on to the rest of the program: the
/// outputs that end in the notebook (a picture pinned to the desktop, a
/// picture added to the current note). The capture library knows no notes;
/// the main window listens to the one instance and does the work.
///
/// Pictures are in device pixels as grabbed; places are in Qt's global
/// logical coordinates, where the selection was on the screen.
class CaptureHandoff : public QObject
{
    Q_OBJECT
public:
    static CaptureHandoff *instance();

    /// The part of picture that area (picture coordinates) covers, a copy
    /// of its own with opaque pixels.
    static QImage cut(const QImage &picture, const QRect &area);
    /// Where area of a picture shown from origin at ratio device pixels per
    /// logical pixel lies in logical coordinates.
    static QRect logicalPlace(const QRect &area, QPoint origin, qreal ratio);

    /// Shows area of desktop (the overlay's picture) at place at once
    /// (PinStandIn) and, once that is on the screen and the overlay gone,
    /// asks for the pin of that area's cut(); the listener answers with
    /// pinnedIn().
    void pin(const QImage &desktop, const QRect &area, const QRect &place, const QDateTime &captured);
    /// The pinned note's window (none when the pin failed): the stand-in
    /// goes once it has been painted.
    void pinnedIn(QWidget *window);
    void addToNote(const QImage &picture, const QDateTime &captured) { emit noteWanted(picture, captured); }

signals:
    /// Pin picture to the desktop where it was captured (place).
    void pinWanted(const QImage &picture, const QRect &place, const QDateTime &captured);
    /// Add picture to the current note, under a record of when it was captured.
    void noteWanted(const QImage &picture, const QDateTime &captured);

private:
    using QObject::QObject;

    QPointer<PinStandIn> m_standIn;
};
