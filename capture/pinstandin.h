#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "x11shmpresenter.h"

#include <memory>

/// The picture of a pin, shown at once where it was captured while the
/// notebook builds the pinned note's own window (a managed window takes the
/// window manager tens of milliseconds to map). It bypasses the window
/// manager, takes no input and no focus, and goes once the note's window has
/// been painted over it, or after a few seconds whatever happens. It deletes
/// itself.
///
/// It shows area (device pixels) of a larger picture, the overlay's, without
/// a copy of its own until keepOnly(). place is in Qt's global logical
/// coordinates; the picture keeps its device pixels. On X11 the picture is
/// put on the window as soon as it is mapped (X11ShmPresenter), without
/// waiting for the server's expose.
class PinStandIn : public QWidget
{
    Q_OBJECT
public:
    PinStandIn(const QImage &picture, const QRect &area, const QRect &place);
    ~PinStandIn() override;

    /// Shows the window; on X11 the server has the picture on return (a
    /// compositing manager shows it a moment later).
    void showPicture();
    /// From now on shows this picture, the area's own copy, and lets the
    /// larger one go.
    void keepOnly(const QImage &areaPicture);
    /// Goes once window has been painted, or at once without one.
    void retireWhenShown(QWidget *window);

signals:
    /// Its picture is on the screen (or could not be shown in time).
    void shown();

protected:
    void paintEvent(QPaintEvent *event) override;
    QPaintEngine *paintEngine() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool present(const QRegion &region, X11ShmPresenter::Completion completion);
    void markShown();
    void retire();

    QImage m_picture;
    /// The part of m_picture shown, and its device pixels per logical pixel.
    QRect m_area;
    qreal m_ratio = 1;
    std::unique_ptr<X11ShmPresenter> m_presenter;
    QPointer<QWidget> m_window;
    bool m_shown = false;
};
