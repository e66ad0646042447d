// The references for the start-up benchmark: the least a Qt 6 program does to
// show one frameless translucent 400x350 window, and with --text the same
// window showing a few lines of Chinese and Latin text in the default font (so
// the font system's own start-up cost can be told apart from velmonote's).
// Reports when its first frame is done on the monotonic clock, as velmonote
// does when asked.

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <cstdio>
#include <ctime>

class BareWindow : public QWidget
{
public:
    explicit BareWindow(bool withText)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
        , withText(withText)
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
        if (withText) {
            painter.setPen(Qt::black);
            painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::TextWordWrap,
                             QStringLiteral("欢迎使用 Velmo Note 便签\n"
                                            "Velmo Note 是一个常驻系统托盘的桌面便签本。"
                                            "每个便签是一个标签页，这一页是只读的首页。"));
        }
        if (!reported) {
            reported = true;
            // Queued: it runs once this frame has been flushed.
            QMetaObject::invokeMethod(this, [] {
                timespec ts{};
                clock_gettime(CLOCK_MONOTONIC, &ts);
                std::fprintf(stderr, "velmo-first-paint-us %lld\n",
                             (long long)ts.tv_sec * 1000000 + ts.tv_nsec / 1000);
            }, Qt::QueuedConnection);
        }
    }

private:
    bool withText;
    bool reported = false;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BareWindow window(argc > 1 && qstrcmp(argv[1], "--text") == 0);
    window.show();
    return app.exec();
}
