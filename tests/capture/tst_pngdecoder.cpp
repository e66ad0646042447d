#include "pngdecoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <cstdlib>

namespace {
QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray chunk(const char *type, const QByteArray &data)
{
    const QByteArray body = type + data;
    return bigEndian32(quint32(data.size())) + body + bigEndian32(crc32(body));
}

QByteArray header(quint32 width, quint32 height, int depth = 8, int colour = 2, int interlace = 0)
{
    return chunk("IHDR", bigEndian32(width) + bigEndian32(height) + char(depth) + char(colour) + '\0' + '\0'
                             + char(interlace));
}

const QByteArray Signature("\x89PNG\r\n\x1a\n", 8);

// A zlib stream (qCompress puts the length in front of one).
QByteArray zlib(const QByteArray &data)
{
    return qCompress(data, 9).mid(4);
}

// Rows of pixels (channels bytes each) filtered with the given filter type,
// each row led by its type byte.
QByteArray filtered(const QByteArray &pixels, int width, int channels, int filter)
{
    const int stride = width * channels;
    QByteArray out;
    for (int y = 0; y * stride < pixels.size(); ++y) {
        out += char(filter);
        for (int i = 0; i < stride; ++i) {
            auto at = [&](int row, int col) { return row < 0 || col < 0 ? 0 : int(uchar(pixels[row * stride + col])); };
            const int a = at(y, i - channels), b = at(y - 1, i), c = at(y - 1, i - channels);
            const int p = a + b - c;
            const int paeth = std::abs(p - a) <= std::abs(p - b) && std::abs(p - a) <= std::abs(p - c) ? a
                : std::abs(p - b) <= std::abs(p - c)                                                  ? b
                                                                                                      : c;
            const int predictor[] = {0, a, b, (a + b) / 2, paeth};
            out += char(at(y, i) - predictor[filter]);
        }
    }
    return out;
}

QByteArray written(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(image);
    return buffer.data();
}

QImage noise(int width, int height, QImage::Format format, bool translucent)
{
    QImage image(width, height, format);
    QRandomGenerator random(width * 31 + height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Smooth areas and noisy ones, so the writer picks several filters.
            const quint32 rgb = x % 16 < 8 ? quint32(x * 3 + y * 5) * 0x010203u : random.generate();
            image.setPixel(x, y, (rgb & 0xffffff) | (translucent ? (rgb >> 8 & 0xff) << 24 : 0xff000000u));
        }
    }
    return image;
}

bool opaque(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(argb.pixel(x, y)) != 255)
                return false;
        }
    }
    return true;
}
}

class TestPngDecoder : public QObject
{
    Q_OBJECT
private slots:
    void decodesLikeQt_data();
    void decodesLikeQt();
    void refusesDamagedOrOtherFiles_data();
    void refusesDamagedOrOtherFiles();
    void refusesEveryTruncation();
};

void TestPngDecoder::decodesLikeQt_data()
{
    QTest::addColumn<QByteArray>("file");
    for (const QSize size : {QSize(1, 1), QSize(5, 3), QSize(67, 41), QSize(300, 7)}) {
        const QString name = QStringLiteral("%1x%2 ").arg(size.width()).arg(size.height());
        QTest::newRow(qPrintable(name + "RGB")) << written(noise(size.width(), size.height(), QImage::Format_RGB32, false));
        QTest::newRow(qPrintable(name + "RGBA")) << written(noise(size.width(), size.height(), QImage::Format_ARGB32, true));
        QTest::newRow(qPrintable(name + "RGBA, opaque"))
            << written(noise(size.width(), size.height(), QImage::Format_ARGB32, false));
    }
    // Every filter type, the stream split over several IDAT chunks with an
    // ancillary chunk before them.
    for (const int channels : {3, 4}) {
        const int width = 9, height = 6;
        QByteArray pixels;
        for (int i = 0; i < width * height * channels; ++i)
            pixels += char(i * 37 % 251 + (i % 5 == 0 ? 128 : 0));
        for (int filter = 0; filter <= 4; ++filter) {
            const QByteArray stream = zlib(filtered(pixels, width, channels, filter));
            QByteArray file = Signature + header(width, height, 8, channels == 4 ? 6 : 2)
                + chunk("tIME", QByteArray("\x07\xea\x0c\x08\x0b\x1e\x00", 7));
            for (int at = 0; at < stream.size(); at += 7)
                file += chunk("IDAT", stream.mid(at, 7));
            QTest::newRow(qPrintable(QStringLiteral("filter %1, %2 channels").arg(filter).arg(channels)))
                << file + chunk("IEND", {});
        }
    }
}

void TestPngDecoder::decodesLikeQt()
{
    QFETCH(QByteArray, file);
    const QImage expected = QImage::fromData(file, "png");
    QVERIFY(!expected.isNull());
    // Into memory of its own, and into memory prepared for a larger picture.
    for (const bool prepared : {false, true}) {
        PngDecoder decoder;
        if (prepared)
            decoder.prepare(expected.size() + QSize(3, 2));
        PngDecoder::Outcome outcome = PngDecoder::Broken;
        const QImage decoded = decoder.decode(file, &outcome);
        QCOMPARE(outcome, PngDecoder::Decoded);
        QCOMPARE(decoded.format(), opaque(expected) ? QImage::Format_RGB32 : QImage::Format_ARGB32);
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(QSize(decoded.dotsPerMeterX(), decoded.dotsPerMeterY()),
                 QSize(expected.dotsPerMeterX(), expected.dotsPerMeterY()));
    }
}

void TestPngDecoder::refusesDamagedOrOtherFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("outcome");
    const QByteArray rows = filtered(QByteArray(2 * 2 * 3, '\x40'), 2, 3, 1);
    const QByteArray idat = chunk("IDAT", zlib(rows));
    const QByteArray end = chunk("IEND", {});
    const int broken = PngDecoder::Broken, other = PngDecoder::Unsupported;
    QTest::newRow("the readable file") << Signature + header(2, 2) + idat + end << int(PngDecoder::Decoded);
    QTest::newRow("no signature") << header(2, 2) + idat + end << broken;
    QTest::newRow("IHDR not first") << Signature + idat + header(2, 2) + end << broken;
    QTest::newRow("zero width") << Signature + header(0, 2) + idat + end << broken;
    QTest::newRow("width past the format") << Signature + header(0x80000000u, 1) + idat + end << broken;
    QTest::newRow("too many pixels") << Signature + header(65536, 65536) + idat + end << other;
    QTest::newRow("16-bit") << Signature + header(2, 2, 16) + idat + end << other;
    QTest::newRow("palette") << Signature + header(2, 2, 8, 3) + idat + end << other;
    QTest::newRow("grey") << Signature + header(2, 2, 8, 0) + idat + end << other;
    QTest::newRow("interlaced") << Signature + header(2, 2, 8, 2, 1) + idat + end << other;
    QTest::newRow("transparency key") << Signature + header(2, 2) + chunk("tRNS", QByteArray(6, '\0')) + idat + end << other;
    QTest::newRow("no IDAT") << Signature + header(2, 2) + end << broken;
    QTest::newRow("text") << Signature + header(2, 2) + chunk("tEXt", QByteArray("a\0b", 3)) + idat + end << other;
    QTest::newRow("IDATs apart") << Signature + header(2, 2) + idat + chunk("tIME", QByteArray(7, '\1')) + idat + end
                                 << broken;
    QTest::newRow("chunk longer than the file")
        << Signature + header(2, 2) + bigEndian32(0xffffffffu) + QByteArray("IDAT") + idat + end << broken;
    QTest::newRow("one byte short") << Signature + header(2, 2) + chunk("IDAT", zlib(rows.chopped(1))) + end << broken;
    QTest::newRow("a row too many") << Signature + header(2, 2) + chunk("IDAT", zlib(rows + rows.left(7))) + end << broken;
    QTest::newRow("unknown filter type")
        << Signature + header(2, 2) + chunk("IDAT", zlib('\x05' + rows.mid(1))) + end << broken;
    QByteArray corrupt = zlib(rows);
    corrupt[corrupt.size() - 1] = char(corrupt.back() ^ 1);
    QTest::newRow("checksum of the data") << Signature + header(2, 2) + chunk("IDAT", corrupt) + end << broken;
}

void TestPngDecoder::refusesDamagedOrOtherFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, outcome);
    PngDecoder::Outcome got = PngDecoder::Decoded;
    const QImage image = PngDecoder().decode(file, &got);
    QCOMPARE(int(got), outcome);
    QCOMPARE(image.isNull(), outcome != PngDecoder::Decoded);
}

void TestPngDecoder::refusesEveryTruncation()
{
    const QByteArray file = written(noise(20, 10, QImage::Format_ARGB32, true));
    for (qsizetype length = 0; length < file.size(); ++length) {
        PngDecoder::Outcome outcome = PngDecoder::Decoded;
        QVERIFY2(PngDecoder().decode(file.left(length), &outcome).isNull(), qPrintable(QString::number(length)));
        QCOMPARE(outcome, PngDecoder::Broken);
    }
}

QTEST_GUILESS_MAIN(TestPngDecoder)
#include "tst_pngdecoder.moc"
