#include "pngdecoder.h"

#include <QScopeGuard>
#include <QVarLengthArray>

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>

namespace {
constexpr char Signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
// Length, type and CRC around a chunk's data.
constexpr qsizetype ChunkFrame = 12;
// The largest chunk length the format allows.
constexpr quint32 MaxChunkLength = 0x7fffffffu;
// Deflate makes at most 258 bytes of a match coded in two bits: no stream
// inflates to more than 1032 times its length.
constexpr qint64 MaxDeflateRatio = 1032;

quint32 bigEndian(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
}

bool isType(const uchar *type, const char *name)
{
    return std::memcmp(type, name, 4) == 0;
}

// Chunks QImageReader turns into pixels, the colour space or the image's
// offset or texts: such files are left to it.
bool readByQt(const uchar *type)
{
    for (const char *name : {"tRNS", "gAMA", "cHRM", "sRGB", "iCCP", "sBIT", "oFFs", "tEXt", "zTXt", "iTXt"}) {
        if (isType(type, name))
            return true;
    }
    return false;
}

// Four bytes added lane by lane, each modulo 256.
inline quint32 addBytes(quint32 a, quint32 b)
{
    return ((a & 0x7f7f7f7fu) + (b & 0x7f7f7f7fu)) ^ ((a ^ b) & 0x80808080u);
}

// The lanes' floor((a + b) / 2), without carries between lanes.
inline quint32 averageBytes(quint32 a, quint32 b)
{
    return (a & b) + (((a ^ b) & 0xfefefefeu) >> 1);
}

inline quint32 paethByte(quint32 a, quint32 b, quint32 c)
{
    const int p = int(a) + int(b) - int(c);
    const int pa = std::abs(p - int(a));
    const int pb = std::abs(p - int(b));
    const int pc = std::abs(p - int(c));
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

inline quint32 paethBytes(quint32 left, quint32 up, quint32 upLeft)
{
    quint32 result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        result |= paethByte((left >> shift) & 0xff, (up >> shift) & 0xff, (upLeft >> shift) & 0xff) << shift;
    }
    return result;
}

// A file's pixel as the 32-bit value QImage keeps (0xAARRGGBB); the alpha
// of an RGB pixel is added by the caller.
template <int Channels>
inline quint32 filePixel(const uchar *p)
{
    const quint32 rgb = (quint32(p[0]) << 16) | (quint32(p[1]) << 8) | p[2];
    if constexpr (Channels == 4)
        return rgb | (quint32(p[3]) << 24);
    return rgb;
}

// Unfilters the file's rows, which start at raw, into 32-bit rows from the
// start of pixels. raw lies in the same buffer, at or after the place of the
// row being written and never behind it, so each pixel is read before
// anything is written over it. Returns false at an unknown filter type.
template <int Channels>
bool unfilter(const uchar *raw, quint32 *pixels, int width, int height, quint32 *alphaOfAll)
{
    const quint32 fill = Channels == 4 ? 0 : 0xff000000u;
    quint32 all = 0xffffffffu;
    const qsizetype rowBytes = qsizetype(width) * Channels;
    for (int y = 0; y < height; ++y) {
        const uchar filter = *raw++;
        quint32 *out = pixels + qsizetype(y) * width;
        const quint32 *up = y > 0 ? out - width : nullptr;
        quint32 left = 0;
        quint32 upLeft = 0;
        switch (up ? filter : (filter == 2 ? 0 : filter)) {
        case 0:
            for (int x = 0; x < width; ++x)
                out[x] = filePixel<Channels>(raw + x * Channels) | fill;
            break;
        case 1:
            for (int x = 0; x < width; ++x) {
                left = addBytes(filePixel<Channels>(raw + x * Channels), left) | fill;
                out[x] = left;
            }
            break;
        case 2:
            for (int x = 0; x < width; ++x)
                out[x] = addBytes(filePixel<Channels>(raw + x * Channels), up[x]) | fill;
            break;
        case 3:
            for (int x = 0; x < width; ++x) {
                const quint32 above = up ? up[x] : 0;
                left = addBytes(filePixel<Channels>(raw + x * Channels), averageBytes(left, above)) | fill;
                out[x] = left;
            }
            break;
        case 4:
            for (int x = 0; x < width; ++x) {
                const quint32 above = up ? up[x] : 0;
                left = addBytes(filePixel<Channels>(raw + x * Channels), paethBytes(left, above, upLeft)) | fill;
                upLeft = above;
                out[x] = left;
            }
            break;
        default:
            return false;
        }
        if constexpr (Channels == 4) {
            for (int x = 0; x < width; ++x)
                all &= out[x];
        }
        raw += rowBytes;
    }
    *alphaOfAll = all >> 24;
    return true;
}

void freeBuffer(void *buffer)
{
    std::free(buffer);
}

struct DecompressorDeleter
{
    void operator()(libdeflate_decompressor *d) const { libdeflate_free_decompressor(d); }
};

// Writing to each page maps it (the system gives it zeroed).
constexpr qint64 PageBytes = 4096;
}

PngDecoder::~PngDecoder()
{
    release();
}

qint64 PngDecoder::bufferBytes(qint64 width, qint64 height, int channels)
{
    // One buffer holds both the filtered rows, inflated into its end, and
    // the picture, unfiltered into its start row by row: a row of the
    // picture ends no later than the next filtered row starts.
    return std::max(height * width * 4, height * (1 + width * channels));
}

void PngDecoder::prepare(QSize size)
{
    release();
    if (size.isEmpty() || qint64(size.width()) * size.height() * 4 > MaxPictureBytes)
        return;
    m_preparedBytes = bufferBytes(size.width(), size.height(), 4);
    try {
        m_preparing = std::thread([this] {
            auto *buffer = static_cast<uchar *>(std::malloc(size_t(m_preparedBytes)));
            if (buffer) {
                volatile uchar *pages = buffer;
                for (qint64 at = 0; at < m_preparedBytes; at += PageBytes)
                    pages[at] = 0;
            }
            m_prepared = buffer;
        });
    } catch (const std::system_error &) {
        // No thread to spare: decode() allocates as usual.
        m_preparedBytes = 0;
    }
}

void PngDecoder::release()
{
    if (m_preparing.joinable())
        m_preparing.join();
    std::free(m_prepared);
    m_prepared = nullptr;
    m_preparedBytes = 0;
}

uchar *PngDecoder::takeBuffer(qint64 bytes)
{
    if (m_preparing.joinable())
        m_preparing.join();
    uchar *buffer = nullptr;
    if (m_prepared && bytes <= m_preparedBytes)
        std::swap(buffer, m_prepared);
    release();
    return buffer ? buffer : static_cast<uchar *>(std::malloc(size_t(bytes)));
}

QImage PngDecoder::decode(QByteArrayView file, Outcome *outcome)
{
    Outcome ignored;
    Outcome &result = outcome ? *outcome : ignored;
    result = Broken;
    // The prepared memory serves this decoding only.
    const auto releaseAtEnd = qScopeGuard([this] { release(); });

    const auto *bytes = reinterpret_cast<const uchar *>(file.data());
    const qsizetype size = file.size();
    if (size < qsizetype(sizeof Signature) || std::memcmp(bytes, Signature, sizeof Signature) != 0)
        return QImage();

    // The chunks: IHDR first, the IDATs one after another, IEND last.
    qint64 width = 0;
    qint64 height = 0;
    int channels = 0;
    QSize dotsPerMeter;
    QVarLengthArray<QByteArrayView, 64> idat;
    qsizetype idatBytes = 0;
    bool idatEnded = false;
    bool ended = false;
    qsizetype at = sizeof Signature;
    while (!ended) {
        if (size - at < ChunkFrame)
            return QImage();
        const quint32 length = bigEndian(bytes + at);
        const uchar *type = bytes + at + 4;
        const uchar *data = bytes + at + 8;
        if (length > MaxChunkLength || qint64(length) > qint64(size - at - ChunkFrame))
            return QImage();
        const bool first = at == qsizetype(sizeof Signature);
        at += ChunkFrame + length;
        if (first != isType(type, "IHDR"))
            return QImage();
        if (first) {
            if (length != 13)
                return QImage();
            width = bigEndian(data);
            height = bigEndian(data + 4);
            const uchar depth = data[8];
            const uchar colour = data[9];
            if (width == 0 || height == 0 || width > MaxChunkLength || height > MaxChunkLength || data[10] != 0
                || data[11] != 0 || data[12] > 1)
                return QImage();
            result = Unsupported;
            if (depth != 8 || (colour != 2 && colour != 6) || data[12] != 0)
                return QImage();
            if (width > MaxPictureBytes / 4 || height > MaxPictureBytes / 4 / width)
                return QImage();
            channels = colour == 6 ? 4 : 3;
            result = Broken;
        } else if (isType(type, "IDAT")) {
            if (idatEnded)
                return QImage();
            idat.append(QByteArrayView(data, length));
            idatBytes += length;
        } else if (isType(type, "IEND")) {
            ended = true;
        } else if (isType(type, "pHYs")) {
            // The resolution, as QImageReader keeps it: only in pixels per metre.
            if (length != 9 || bigEndian(data) > MaxChunkLength || bigEndian(data + 4) > MaxChunkLength) {
                result = Unsupported;
                return QImage();
            }
            if (data[8] == 1)
                dotsPerMeter = QSize(int(bigEndian(data)), int(bigEndian(data + 4)));
        } else {
            idatEnded = idatEnded || !idat.isEmpty();
            if (readByQt(type)) {
                result = Unsupported;
                return QImage();
            }
            // An unknown critical chunk (upper-case first letter) may matter;
            // PLTE in an RGB file only suggests colours.
            if (!(type[0] & 0x20) && !isType(type, "PLTE")) {
                result = Unsupported;
                return QImage();
            }
        }
    }
    if (idat.isEmpty())
        return QImage();
    const qint64 rawBytes = height * (1 + width * channels);
    // Rows the data cannot hold even at deflate's best are a damaged file,
    // found before the picture's memory is taken.
    if (rawBytes > qint64(idatBytes) * MaxDeflateRatio)
        return QImage();

    // The zlib stream is whole in one piece for the decompressor.
    QByteArray joined;
    QByteArrayView stream = idat.first();
    if (idat.size() > 1) {
        joined.reserve(idatBytes);
        for (const QByteArrayView &part : std::as_const(idat))
            joined.append(part);
        stream = joined;
    }

    const qint64 bytesPerLine = width * 4;
    const qint64 totalBytes = bufferBytes(width, height, channels);
    uchar *buffer = takeBuffer(totalBytes);
    if (!buffer) {
        result = Unsupported;
        return QImage();
    }
    uchar *raw = buffer + (totalBytes - rawBytes);
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(libdeflate_alloc_decompressor());
    // Exactly the rows' size, or the file is damaged.
    if (!decompressor
        || libdeflate_zlib_decompress(decompressor.get(), stream.data(), size_t(stream.size()), raw,
                                      size_t(rawBytes), nullptr)
            != LIBDEFLATE_SUCCESS) {
        std::free(buffer);
        return QImage();
    }
    auto *pixels = reinterpret_cast<quint32 *>(buffer);
    quint32 alphaOfAll = 0;
    const bool unfiltered = channels == 4 ? unfilter<4>(raw, pixels, int(width), int(height), &alphaOfAll)
                                          : unfilter<3>(raw, pixels, int(width), int(height), &alphaOfAll);
    if (!unfiltered) {
        std::free(buffer);
        return QImage();
    }
    const QImage::Format format = alphaOfAll == 0xff ? QImage::Format_RGB32 : QImage::Format_ARGB32;
    QImage image(buffer, int(width), int(height), bytesPerLine, format, freeBuffer, buffer);
    if (image.isNull()) {
        std::free(buffer);
        result = Unsupported;
        return image;
    }
    if (dotsPerMeter.isValid()) {
        image.setDotsPerMeterX(dotsPerMeter.width());
        image.setDotsPerMeterY(dotsPerMeter.height());
    }
    result = Decoded;
    return image;
}
