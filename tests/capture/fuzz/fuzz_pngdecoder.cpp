// libFuzzer target: PngDecoder on arbitrary bytes, the way the screenshot
// portal's file reaches it. Besides crashes, leaks and oversized allocations
// (caught by the sanitizers and -malloc_limit_mb), it aborts when:
//  - the outcome and the picture disagree (a picture that is not Decoded,
//    a Decoded one that is null, of another format, or past the size limit);
//  - an opaque picture (Format_RGB32) has a pixel that is not opaque;
//  - decoding into prepared memory gives other pixels than a fresh decode.
// With VELMO_FUZZ_WRITE_SEEDS=DIR set, it writes seed files into DIR and exits.

#include "pngdecoder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    fprintf(stderr, "PNG decoder property broken: %s\n", what);
    abort();
}

QByteArray png(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        exit(1);
    return buffer.data();
}

/// RGB and RGBA pictures of a few sizes, with translucent pixels in the RGBA ones.
QList<QImage> seedPictures()
{
    QList<QImage> images;
    for (const QSize size : {QSize(1, 1), QSize(7, 3), QSize(33, 17)}) {
        QImage rgb(size, QImage::Format_RGB32);
        QImage rgba(size, QImage::Format_ARGB32);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                rgb.setPixel(x, y, qRgb(x * 37, y * 11, (x ^ y) * 5));
                rgba.setPixel(x, y, qRgba(x * 13, y * 29, x + y, (x * 50 + y) & 0xff));
            }
        }
        images << rgb << rgba;
    }
    return images;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QString dir = qEnvironmentVariable("VELMO_FUZZ_WRITE_SEEDS");
    if (dir.isEmpty())
        return 0;
    QDir().mkpath(dir);
    int number = 0;
    for (const QImage &image : seedPictures()) {
        QFile seed(QDir(dir).filePath(QStringLiteral("picture-%1.png").arg(number++)));
        if (!seed.open(QIODevice::WriteOnly) || seed.write(png(image)) < 0 || !seed.flush())
            exit(1);
    }
    exit(0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    PngDecoder decoder;
    PngDecoder::Outcome outcome = PngDecoder::Broken;
    const QImage picture = decoder.decode(file, &outcome);

    if (outcome != PngDecoder::Decoded) {
        if (!picture.isNull())
            fail("a picture without a Decoded outcome");
        return 0;
    }
    if (picture.isNull())
        fail("Decoded without a picture");
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)
        fail("a picture of another format");
    if (qint64(picture.width()) * picture.height() * 4 > PngDecoder::MaxPictureBytes)
        fail("a picture past the size limit");
    if (picture.format() == QImage::Format_RGB32) {
        for (int y = 0; y < picture.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                if (qAlpha(line[x]) != 0xff)
                    fail("a pixel that is not opaque in an opaque picture");
            }
        }
    }

    // The portal's way: memory made ready for a picture of this size first.
    PngDecoder prepared;
    prepared.prepare(picture.size());
    PngDecoder::Outcome again = PngDecoder::Broken;
    const QImage samePicture = prepared.decode(file, &again);
    if (again != outcome || samePicture != picture)
        fail("prepared memory gives another picture");
    return 0;
}
