// A drag source for the journeys: a small window that, pressed and moved,
// drags the files named on its command line (as a file manager does) or,
// with --text, the text given. It prints the drop action taken when the
// drag ends, and stays (the target may still be reading) until ended.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextStream>
#include <QUrl>

class Source : public QLabel
{
public:
    explicit Source(QMimeData *(*make)()) : m_make(make)
    {
        setText(QStringLiteral("drag me"));
        setAlignment(Qt::AlignCenter);
        setWindowTitle(QStringLiteral("drag source"));
        resize(160, 120);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override { m_pressAt = event->position().toPoint(); }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!(event->buttons() & Qt::LeftButton) || m_dragging
            || (event->position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return;
        m_dragging = true;
        auto *drag = new QDrag(this);
        drag->setMimeData(m_make());
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        // The target reads the data after the drop: the source stays until
        // the journey ends it.
        QTextStream(stdout) << "drop action " << int(action) << Qt::endl;
    }

private:
    QMimeData *(*m_make)();
    QPoint m_pressAt;
    bool m_dragging = false;
};

namespace {
QStringList g_args;

QMimeData *makeData()
{
    auto *mime = new QMimeData;
    if (g_args.value(0) == QLatin1String("--text")) {
        mime->setText(g_args.value(1));
        return mime;
    }
    QList<QUrl> urls;
    for (const QString &path : g_args)
        urls.append(QUrl::fromLocalFile(path));
    mime->setUrls(urls);
    return mime;
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    g_args = app.arguments().mid(1);
    Source source(&makeData);
    source.move(40, 40);
    source.show();
    return app.exec();
}
