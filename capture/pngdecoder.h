#pragma once

#include <QByteArrayView>
#include <QImage>

#include <thread>

/// Reads the PNG files screenshot tools write: 8-bit RGB or RGBA, not
/// interlaced, with no transparency key, colour space, offset or text chunk. The data is
/// inflated straight into the picture's own memory and its rows unfiltered
/// there, so the picture is made without a second full-size buffer.
///
/// decode() gives Format_RGB32 for RGB files and for RGBA files whose every
/// pixel is opaque, Format_ARGB32 otherwise: the pixels QImageReader gives
/// for the same file. Any other kind of PNG is Unsupported (a caller reads it
/// with QImageReader instead); a damaged file is Broken. The file is
/// untrusted: every length is checked before use, and a picture larger than
/// MaxPictureBytes is not decoded.
///
/// The picture's memory can be made ready before the file is there:
/// prepare() allocates it and has its pages mapped on a thread of its own,
/// which a fresh picture otherwise pays for page by page while decoding.
class PngDecoder
{
public:
    enum Outcome { Decoded, Unsupported, Broken };

    PngDecoder() = default;
    ~PngDecoder();
    PngDecoder(const PngDecoder &) = delete;
    PngDecoder &operator=(const PngDecoder &) = delete;

    /// The largest picture decoded, in bytes of its 32-bit pixels (the
    /// allocation limit QImageReader has by default).
    static constexpr qint64 MaxPictureBytes = 256 * 1024 * 1024;

    /// Memory for a picture of up to size pixels, for the next decode():
    /// it decodes into it when the picture fits, and frees it otherwise.
    void prepare(QSize size);
    /// Frees what prepare() made ready.
    void release();

    /// The picture in file; a null image unless the outcome is Decoded.
    QImage decode(QByteArrayView file, Outcome *outcome = nullptr);

private:
    /// Bytes of memory a picture needs while it is decoded.
    static qint64 bufferBytes(qint64 width, qint64 height, int channels);
    /// Takes the prepared memory if it holds bytes, else allocates.
    uchar *takeBuffer(qint64 bytes);

    std::thread m_preparing;
    uchar *m_prepared = nullptr;
    qint64 m_preparedBytes = 0;
};
