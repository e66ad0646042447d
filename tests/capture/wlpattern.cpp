// A native Wayland client for the capture tests on a Wayland desktop: a
// window painted with a pattern in which neighbouring pixels differ, so a
// capture that is shifted, scaled or taken from the wrong buffer shows.
// Run with QT_QPA_PLATFORM=wayland. Prints "shown" once it has painted; an
// argument gives another title (a second window).

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

#include <cstdio>

class PatternClient : public QRasterWindow
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QImage picture(size(), QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                line[x] = qRgb((x * 7 + y * 3) & 0xff, ((x * 13) ^ (y * 5)) & 0xff, (y * 11) & 0xff);
        }
        QPainter(this).drawImage(0, 0, picture);
        if (!m_told) {
            m_told = true;
            std::printf("shown\n");
            std::fflush(stdout);
        }
    }

private:
    bool m_told = false;
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    PatternClient window;
    window.setTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("wlpattern"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
