#include "clipboardpayload.h"

#include <QBuffer>
#include <QImageWriter>
#include <QMimeData>

namespace {
const QString PngType = QStringLiteral("image/png");
// Text as Wayland programs ask for it first, then the X names that XWayland
// and older programs use.
const QStringList TextTypes = {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain"),
                               QStringLiteral("UTF8_STRING"), QStringLiteral("STRING"), QStringLiteral("TEXT")};
// Fast PNG compression: a whole desktop encodes in a few tens of
// milliseconds instead of a few hundred, at a slightly larger file.
constexpr int PngQuality = 80;
}

ClipboardPayload ClipboardPayload::fromMimeData(const QMimeData &data)
{
    ClipboardPayload payload;
    if (data.hasImage())
        payload.m_image = qvariant_cast<QImage>(data.imageData());
    if (data.hasText()) {
        const QByteArray text = data.text().toUtf8();
        for (const QString &type : TextTypes)
            payload.m_formats.append({type, text});
    }
    for (const QString &format : data.formats()) {
        // Qt's own internal formats mean nothing to other programs; text and
        // the picture are offered above.
        if (format.startsWith(QLatin1String("application/x-qt")) || TextTypes.contains(format) || format == PngType)
            continue;
        payload.m_formats.append({format, data.data(format)});
    }
    return payload;
}

ClipboardPayload ClipboardPayload::fromImage(const QImage &image)
{
    ClipboardPayload payload;
    payload.m_image = image;
    return payload;
}

QStringList ClipboardPayload::types() const
{
    QStringList result;
    if (!m_image.isNull())
        result.append(PngType);
    for (const auto &format : m_formats)
        result.append(format.first);
    return result;
}

QByteArray ClipboardPayload::data(const QString &type) const
{
    if (type == PngType && !m_image.isNull()) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(PngQuality);
        if (!writer.write(m_image))
            return QByteArray();
        return bytes;
    }
    for (const auto &format : m_formats) {
        if (format.first == type)
            return format.second;
    }
    return QByteArray();
}

