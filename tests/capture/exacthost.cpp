// The capture as the program runs it, on a display of its own: a window
// with a pattern whose every pixel differs from its neighbours covers the
// whole desktop, and Ctrl+Alt+C starts a capture exactly as the main window
// does. Driven from outside by tst_captureexact.

#include "desktopgrabber.h"
#include "globalshortcut.h"
#include "widget.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {
/// The desktop stand-in, painted in device pixels so that nothing is scaled.
class Pattern : public QWidget
{
public:
    Pattern()
        : QWidget(nullptr, Qt::FramelessWindowHint)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(QGuiApplication::primaryScreen()->virtualGeometry());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const qreal ratio = devicePixelRatioF();
        QImage image((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb((x * 7 + y) & 255, (y * 5 + x / 3) & 255, (x * 3 + y * 11) & 255);
        }
        image.setDevicePixelRatio(ratio);
        QPainter(this).drawImage(0, 0, image);
    }
};
}

int main(int argc, char *argv[])
{
    DesktopGrabber::setUpAllocator();
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    Pattern pattern;
    pattern.show();
    Widget::prepareCapture(&pattern);
    GlobalShortcut hotKey(QKeySequence(QStringLiteral("ctrl+alt+c")), nullptr);
    QObject::connect(&hotKey, &GlobalShortcut::activated, &app, [] { Widget::runCapture(); });
    return app.exec();
}
