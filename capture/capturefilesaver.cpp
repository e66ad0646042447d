#include "capturefilesaver.h"

#include <QCoreApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QThreadPool>

namespace {
// Qt's PNG writer turns quality q into zlib level (100 - q) * 9 / 91.
constexpr int FastPngQuality = 80;
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

QString CaptureFileSaver::write(const QImage &picture, const QRect &area, QSaveFile *file, const QByteArray &format,
                                int quality)
{
    const QRect inside = area & picture.rect();
    // A view of the area inside the shared picture: no copy of its pixels.
    const QImage view(picture.constScanLine(inside.top()) + qsizetype(inside.left()) * picture.depth() / 8,
                      inside.width(), inside.height(), picture.bytesPerLine(), picture.format());
    QImageWriter writer(file, format);
    // PNG is lossless at every level: without a quality chosen, take the
    // fastest real compression (zlib level 1), several times faster than the
    // writer's default on a screen-sized picture and not much larger.
    writer.setQuality(quality < 0 && format == "png" ? FastPngQuality : quality);
    QString error;
    if (!writer.write(view)) {
        error = writer.errorString();
        file->cancelWriting();
    } else if (!file->commit()) {
        error = file->errorString();
    }
    delete file;
    return error;
}

void CaptureFileSaver::save(const QImage &picture, const QRect &area, QSaveFile *file, const QByteArray &format,
                            int quality)
{
    const QString path = file->fileName();
    // The worker uses the file only through direct calls, never events.
    file->setParent(nullptr);
    m_pool->start([this, picture, area, file, format, quality, path] {
        const QString error = write(picture, area, file, format, quality);
        QMetaObject::invokeMethod(this, [this, path, error] {
            if (error.isEmpty())
                emit saved(path);
            else
                emit saveFailed(path, error);
        }, Qt::QueuedConnection);
    });
}

void CaptureFileSaver::waitForSaves()
{
    m_pool->waitForDone();
}
