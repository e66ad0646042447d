#pragma once

#include <QByteArrayView>
#include <QImage>

/// Reads the PNG files screenshot tools write: 8-bit RGB or RGBA, not
/// interlaced, with no transparency key or colour space chunk. The data is
/// inflated straight into the picture's own memory and its rows unfiltered
/// there, so the picture is made without a second full-size buffer.
///
/// decode() gives Format_RGB32 for RGB files and for RGBA files whose every
/// pixel is opaque, Format_ARGB32 otherwise: the pixels QImageReader gives
/// for the same file. Any other kind of PNG is Unsupported (a caller reads it
/// with QImageReader instead); a damaged file is Broken. The file is
/// untrusted: every length is checked before use, and a picture larger than
/// MaxPictureBytes is not decoded.
class PngDecoder
{
public:
    enum Outcome { Decoded, Unsupported, Broken };

    /// The largest picture decoded, in bytes of its 32-bit pixels (the
    /// allocation limit QImageReader has by default).
    static constexpr qint64 MaxPictureBytes = 256 * 1024 * 1024;

    /// The picture in file; a null image unless the outcome is Decoded.
    static QImage decode(QByteArrayView file, Outcome *outcome = nullptr);
};
