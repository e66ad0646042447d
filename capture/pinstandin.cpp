#include "pinstandin.h"

#include "sessionkind.h"
#include "x11shmpresenter.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <utility>

namespace {
/// How long the pin may wait for this window's first paint: past it, the
/// note is built all the same.
constexpr int ShownFallbackMs = 100;
/// How long it stays at most, in case the note's window is never painted.
constexpr int LifetimeMs = 3000;
}

PinStandIn::PinStandIn(const QImage &picture, const QRect &area, const QRect &place)
    : QWidget(nullptr,
              Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint
                  | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus)
    , m_picture(picture)
    , m_area(area)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(place);
    // Where the picture's pixels are the window's own, they go straight to
    // the X server; anything else (Wayland, a scaled screen) is painted by Qt.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !SessionKind::isWayland()
        && area.size() == place.size()) {
        setAttribute(Qt::WA_PaintOnScreen);
        create();
        if (qFuzzyCompare(devicePixelRatioF(), 1.0))
            m_presenter = X11ShmPresenter::create(quint32(winId()), place.size(), 1);
        if (!m_presenter)
            setAttribute(Qt::WA_PaintOnScreen, false);
    }
    if (place.width() > 0)
        m_ratio = qreal(area.width()) / place.width();
    QTimer::singleShot(ShownFallbackMs, this, &PinStandIn::markShown);
    QTimer::singleShot(LifetimeMs, this, &PinStandIn::retire);
}

PinStandIn::~PinStandIn() = default;

void PinStandIn::showPicture()
{
    show();
    // A window that bypasses the window manager is mapped as the server
    // reads the request, and the picture put on it right after stays: no
    // need to wait for the expose, nor for the server to have copied it
    // (whatever is sent next, the overlay going, comes after it).
    if (m_presenter && present(rect(), X11ShmPresenter::Completion::Sent))
        markShown();
}

void PinStandIn::keepOnly(const QImage &areaPicture)
{
    m_picture = areaPicture;
    m_area = areaPicture.rect();
}

void PinStandIn::retireWhenShown(QWidget *window)
{
    if (!window) {
        retire();
        return;
    }
    m_window = window;
    window->installEventFilter(this);
}

void PinStandIn::paintEvent(QPaintEvent *event)
{
    if (m_presenter) {
        present(event->region(), X11ShmPresenter::Completion::Copied);
        return;
    }
    QPainter painter(this);
    for (const QRect &area : event->region())
        painter.drawImage(area, m_picture,
                          QRectF(QPointF(area.topLeft()) * m_ratio + QPointF(m_area.topLeft()),
                                 QSizeF(area.size()) * m_ratio));
    // Told once the paint has gone to the screen, which happens when this
    // event returns.
    QTimer::singleShot(0, this, &PinStandIn::markShown);
}

QPaintEngine *PinStandIn::paintEngine() const
{
    return m_presenter ? nullptr : QWidget::paintEngine();
}

bool PinStandIn::present(const QRegion &region, X11ShmPresenter::Completion completion)
{
    return m_presenter->present(
        region,
        [this](QPainter &painter, const QRect &area) {
            painter.drawImage(area.topLeft(), m_picture, area.translated(m_area.topLeft()));
        },
        completion);
}

void PinStandIn::markShown()
{
    if (!std::exchange(m_shown, true))
        emit shown();
}

bool PinStandIn::eventFilter(QObject *watched, QEvent *event)
{
    // The note's first paint covers the picture: the stand-in can go once
    // that paint is on the screen.
    if (watched == m_window && event->type() == QEvent::Paint)
        QTimer::singleShot(0, this, &PinStandIn::retire);
    return false;
}

void PinStandIn::retire()
{
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = nullptr;
    close();
}
