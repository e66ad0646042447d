#include "pictureloader.h"

#include "picturestore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

PictureLoader::Loaded PictureLoader::load(const QString &path, QSize shown, const QString &label)
{
    QFile file(path);
    const QString name = label.isEmpty() ? QDir::toNativeSeparators(path) : label;
    if (!file.open(QIODevice::ReadOnly)) {
        Loaded result;
        result.error = tr("图片 %1 无法读取：%2").arg(name, file.errorString());
        return result;
    }
    return load(&file, shown, name);
}

PictureLoader::Loaded PictureLoader::load(QIODevice *device, QSize shown, const QString &label)
{
    Loaded result;
    QImageReader reader(device);
    // The header only: a huge picture is refused before any pixel is decoded.
    result.fullSize = reader.size();
    if (!result.fullSize.isValid()) {
        result.error = tr("图片 %1 已损坏或不是图片").arg(label);
        return result;
    }
    result.error = PictureStore::sizeRefusal(label, result.fullSize);
    if (!result.ok())
        return result;
    if (shown.isValid() && !shown.isEmpty() && shown.width() < result.fullSize.width()
        && shown.height() < result.fullSize.height())
        reader.setScaledSize(shown);
    result.image = reader.read();
    if (result.image.isNull())
        result.error = tr("图片 %1 已损坏：%2").arg(label, reader.errorString());
    return result;
}

QImage PictureLoader::placeholder(QSize size)
{
    if (!size.isValid() || size.isEmpty())
        size = QSize(64, 64);
    // A placeholder far larger than a note helps nobody.
    size = size.boundedTo(QSize(4096, 4096));
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(224, 224, 224));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(160, 160, 160), 2));
    painter.drawRect(image.rect().adjusted(1, 1, -1, -1));
    painter.drawLine(image.rect().topLeft(), image.rect().bottomRight());
    painter.drawLine(image.rect().topRight(), image.rect().bottomLeft());
    return image;
}

QImage PictureLoader::pending(QSize size)
{
    QImage image(size.expandedTo(QSize(1, 1)).boundedTo(QSize(4096, 4096)), QImage::Format_RGB32);
    image.fill(QColor(240, 240, 240));
    return image;
}

QByteArray PictureLoader::encode(const QImage &image, QString *error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        if (error)
            *error = tr("图片无法转为 PNG：%1").arg(writer.errorString());
        return QByteArray();
    }
    return bytes;
}

QSize PictureLoader::fitted(QSize size, int width)
{
    if (width <= 0 || size.width() <= width)
        return size;
    return QSize(width, std::max(1, int(qint64(size.height()) * width / size.width())));
}
