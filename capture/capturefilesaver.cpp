#include "capturefilesaver.h"

#include <QCoreApplication>
#include <QImageWriter>
#include <QRunnable>
#include <QSaveFile>
#include <QThreadPool>

namespace {
// Qt's PNG writer turns quality q into zlib level (100 - q) * 9 / 91.
constexpr int FastPngQuality = 80;

/// One save on the worker: owns the file from the hand-over to its end.
/// The file is used there only through direct calls, never events.
class SaveJob : public QRunnable
{
public:
    SaveJob(CaptureFileSaver *saver, const QImage &picture, const QRect &area, std::unique_ptr<QSaveFile> file,
            const QByteArray &format, int quality)
        : m_saver(saver)
        , m_picture(picture)
        , m_area(area)
        , m_file(std::move(file))
        , m_format(format)
        , m_quality(quality)
    {
    }

    void run() override
    {
        const QString path = m_file->fileName();
        const QString error = CaptureFileSaver::write(m_picture, m_area, *m_file, m_format, m_quality);
        m_file.reset();
        CaptureFileSaver *saver = m_saver;
        QMetaObject::invokeMethod(saver, [saver, path, error] {
            if (error.isEmpty())
                emit saver->saved(path);
            else
                emit saver->saveFailed(path, error);
        }, Qt::QueuedConnection);
    }

private:
    CaptureFileSaver *m_saver;
    QImage m_picture;
    QRect m_area;
    std::unique_ptr<QSaveFile> m_file;
    QByteArray m_format;
    int m_quality;
};
}

CaptureFileSaver::CaptureFileSaver(QObject *parent)
    : QObject(parent)
    , m_pool(new QThreadPool(this))
{
}

CaptureFileSaver::~CaptureFileSaver()
{
    // A save still running at exit finishes its file before the program ends.
    waitForSaves();
}

CaptureFileSaver *CaptureFileSaver::instance()
{
    static CaptureFileSaver *saver = new CaptureFileSaver(QCoreApplication::instance());
    return saver;
}

QString CaptureFileSaver::write(const QImage &picture, const QRect &area, QSaveFile &file, const QByteArray &format,
                                int quality)
{
    const QRect inside = area & picture.rect();
    // A view of the area inside the shared picture: no copy of its pixels.
    const QImage view(picture.constScanLine(inside.top()) + qsizetype(inside.left()) * picture.depth() / 8,
                      inside.width(), inside.height(), picture.bytesPerLine(), picture.format());
    QImageWriter writer(&file, format);
    // PNG is lossless at every level: without a quality chosen, take the
    // fastest real compression (zlib level 1), several times faster than the
    // writer's default on a screen-sized picture and not much larger.
    writer.setQuality(quality < 0 && format == "png" ? FastPngQuality : quality);
    QString error;
    if (!writer.write(view)) {
        error = writer.errorString();
        file.cancelWriting();
    } else if (!file.commit()) {
        error = file.errorString();
    }
    return error;
}

void CaptureFileSaver::save(const QImage &picture, const QRect &area, std::unique_ptr<QSaveFile> file,
                            const QByteArray &format, int quality)
{
    // Moved to the worker as a whole: no parent, so no object here owns it.
    file->setParent(nullptr);
    file->moveToThread(nullptr);
    m_pool->start(new SaveJob(this, picture, area, std::move(file), format, quality));
}

void CaptureFileSaver::waitForSaves()
{
    m_pool->waitForDone();
}
