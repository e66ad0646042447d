#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QRegularExpression;

/// The pictures of a notebook: PNG files in its folder, named
/// "pictures/<SHA-256 of the file's bytes>.png", which is also the name the
/// notes' HTML refers to them by (relative to the notebook folder). Equal
/// pictures are kept once. Files are written through QSaveFile and never
/// removed here: a picture no note refers to any more leaves for the trash
/// (PictureTrash).
///
/// Names from the notes' HTML are checked before any file is touched: only
/// the exact form above is a picture of the notebook, so a name cannot reach
/// outside the folder; a symbolic link or anything but a regular file is
/// refused. QtCore only: decoding is PictureLoader's.
class PictureStore
{
    Q_DECLARE_TR_FUNCTIONS(PictureStore)
public:
    /// Larger pictures are refused before they are decoded (some 800 MB as
    /// 32-bit pixels).
    static constexpr qint64 MaxPixels = 200'000'000;

    explicit PictureStore(const QString &notebookFolder);

    struct Result
    {
        /// "pictures/<hash>.png" (store) or the absolute path (locate).
        QString name;
        /// Empty on success; a sentence naming the file otherwise.
        QString error;
        bool ok() const { return error.isEmpty(); }
    };

    /// Writes PNG bytes under their content's name, unless an equal file is
    /// already there; returns the name notes refer to it by.
    Result store(const QByteArray &png) const;
    /// The file behind a name from a note, checked: the name's form, no
    /// link, a regular file that exists.
    Result locate(const QString &name) const;

    /// Whether name has the form "pictures/<64 lower-case hex digits>.png".
    static bool isPictureName(const QString &name);
    static QString nameFor(const QByteArray &png);
    /// Width and height from a PNG's header; invalid when bytes do not start
    /// like a PNG.
    static QSize pngSize(const QByteArray &bytes);
    /// A sentence refusing a picture of size (naming it), or empty when the
    /// size is within MaxPixels.
    static QString sizeRefusal(const QString &name, QSize size);

    /// HTML for a note file of its own: every picture of the notebook that
    /// the HTML refers to is written into it as a data: URI. Pictures that
    /// cannot be read keep their name; problems lists them.
    QString embed(const QString &html, QStringList *problems = nullptr) const;
    /// The reverse, for a note file read into the notebook: PNG data: URIs
    /// are stored as pictures and referred to by name.
    QString adopt(const QString &html, QStringList *problems = nullptr) const;

    /// Whether path lies outside folder (a note file of the user's own,
    /// which must carry its pictures along).
    static bool isOutside(const QString &path, const QString &folder);

private:
    /// html with the first group of each match of source replaced by what
    /// rewrite makes of it.
    static QString rewriteSources(const QString &html, const QRegularExpression &source,
                                  const std::function<QString(const QString &)> &rewrite);

    QString m_folder;
};
