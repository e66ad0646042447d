// The reference for the start-up benchmark: the least a Qt 6 program does to
// show one frameless translucent 400x350 window. Reports the end of its first
// paint on the monotonic clock, as velmonote does when asked.

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <cstdio>
#include <ctime>

class BareWindow : public QWidget
{
public:
    BareWindow() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        resize(400, 350);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(250, 240, 200));
        painter.drawRoundedRect(rect(), 10, 10);
        if (!reported) {
            reported = true;
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            std::fprintf(stderr, "velmo-first-paint-us %lld\n",
                         (long long)ts.tv_sec * 1000000 + ts.tv_nsec / 1000);
        }
    }

private:
    bool reported = false;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BareWindow window;
    window.show();
    return app.exec();
}
