#pragma once

#include <QByteArray>
#include <QString>

/// Turns the name and filter chosen in the save dialog into the file name to
/// write and the image format to write it in.
///
/// A name typed with a known image suffix (".png", ".jpg", ".jpeg", ".bmp",
/// in any case) is kept as typed and written in the format it names, whatever
/// the filter says. Any other name gets the filter's suffix appended unless it
/// already ends in the filter's three letters (so "shotpng" stays as it is).
/// The format is the one the final suffix names; when it names no format this
/// program can write, the filter's format is used, so a chosen name never
/// ends up as an empty file.
class ImageSuffixRule
{
public:
    /// The name after the suffix rule; an empty name stays empty.
    static QString apply(const QString &fileName, const QString &selectedFilter);
    /// "png", "jpg" or "bmp" for a filter text starting with PNG, JPG or BMP;
    /// empty for anything else.
    static QByteArray filterFormat(const QString &selectedFilter);
    /// "png", "jpg" or "bmp" when fileName ends in a known image suffix
    /// (any case, ".jpeg" counting as "jpg"); empty otherwise.
    static QByteArray knownSuffixFormat(const QString &fileName);
    /// The format to write fileName in (after the rule has been applied).
    static QByteArray format(const QString &fileName, const QString &selectedFilter);
};
