#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

/// Decodes a note's pictures, at the size they are shown rather than in
/// full, and encodes new ones for the PictureStore. The size is read from
/// the file's header first, so a picture past PictureStore::MaxPixels is
/// refused without being decoded. Errors are sentences naming the file.
class PictureLoader
{
    Q_DECLARE_TR_FUNCTIONS(PictureLoader)
public:
    struct Loaded
    {
        QImage image;
        /// The picture's own size, as its header gives it.
        QSize fullSize;
        QString error;
        bool ok() const { return error.isEmpty(); }
    };

    /// Reads path (label names it in errors), scaled down to shown when
    /// shown is valid and smaller; never scaled up.
    static Loaded load(const QString &path, QSize shown = QSize(), const QString &label = QString());
    static Loaded load(QIODevice *device, QSize shown, const QString &label);
    /// What a picture that cannot be read shows instead: a grey box with a
    /// cross, of size (or a small square).
    static QImage placeholder(QSize size);
    /// What a picture shows while it is decoded: a plain box of size.
    static QImage pending(QSize size);
    /// The PNG bytes a picture is kept as; empty with error set on failure.
    static QByteArray encode(const QImage &image, QString *error);
    /// The size a picture of size is shown at in a note width wide: scaled
    /// down to the width when wider, kept otherwise.
    static QSize fitted(QSize size, int width);
};
