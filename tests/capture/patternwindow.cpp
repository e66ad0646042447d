#include "patternwindow.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

PatternWindow::PatternWindow()
    : QWidget(nullptr, Qt::FramelessWindowHint)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    setGeometry(screen);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_picture = expected(QRect(QPoint(0, 0), screen.size()));
}

QRgb PatternWindow::colorAt(int x, int y)
{
    // Neighbouring pixels differ, so an off-by-one anywhere shows.
    return qRgb((x * 7 + y) & 0xff, (y * 5 + (x >> 3)) & 0xff, ((x >> 6) * 37 + (y >> 6) * 71) & 0xff);
}

QImage PatternWindow::expected(const QRect &area)
{
    QImage image(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            line[x] = colorAt(area.x() + x, area.y() + y);
    }
    return image;
}

QRgb PatternWindow::dimmed(QRgb color)
{
    return veiled(color, QColor(182, 182, 182, 192));
}

QRgb PatternWindow::veiled(QRgb color, const QColor &veil)
{
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.setPixel(0, 0, color);
    QPainter painter(&pixel);
    painter.fillRect(0, 0, 1, 1, veil);
    painter.end();
    return pixel.pixel(0, 0);
}

bool PatternWindow::showOnScreen()
{
    show();
    if (!QTest::qWaitForWindowExposed(this))
        return false;
    // The compositor puts it on the screen a little later; probe a grid of
    // pixels, away from the tray in the top-right corner.
    QScreen *screen = QGuiApplication::primaryScreen();
    QList<QPoint> probes;
    for (int gx = 0; gx < 3; ++gx) {
        for (int gy = 0; gy < 3; ++gy)
            probes << QPoint(5 + gx * (width() - 200) / 2, 45 + gy * (height() - 50) / 2);
    }
    auto shown = [&] {
        for (const QPoint &p : probes) {
            const QImage pixel = screen->grabWindow(0, p.x(), p.y(), 1, 1).toImage();
            if ((pixel.pixel(0, 0) & 0xffffff) != (colorAt(p.x(), p.y()) & 0xffffff))
                return false;
        }
        return true;
    };
    for (int i = 0; i < 200 && !shown(); ++i)
        QTest::qWait(25);
    if (shown())
        return true;
    // Say what covers it: the probe that differs and the program's own windows.
    for (const QPoint &p : probes) {
        const QRgb seen = screen->grabWindow(0, p.x(), p.y(), 1, 1).toImage().pixel(0, 0) & 0xffffff;
        if (seen != (colorAt(p.x(), p.y()) & 0xffffff))
            qWarning("pattern not shown at (%d, %d): %06x instead of %06x", p.x(), p.y(), seen,
                     colorAt(p.x(), p.y()) & 0xffffff);
    }
    for (const QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            qWarning("visible: %s %s at %d,%d %dx%d", w->metaObject()->className(), qPrintable(w->objectName()),
                     w->x(), w->y(), w->width(), w->height());
    }
    return false;
}

void PatternWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_picture, event->rect());
}
