#pragma once

#include <QByteArray>
#include <QString>

/// Turns the name and filter chosen in the save dialog into the file name to
/// write and the image format to write it in.
///
/// The name gets the filter's suffix appended unless it already ends in the
/// filter's three letters (compared case-sensitively, so "shot.JPG" with the
/// JPG filter becomes "shot.JPG.jpg"). The format is the one the final suffix
/// names; when it names no format this program can write (for example
/// "shotpng", which ends in the letters but has no dot), the filter's format
/// is used, so a chosen name never ends up as an empty file.
class ImageSuffixRule
{
public:
    /// The name after the suffix rule; an empty name stays empty.
    static QString apply(const QString &fileName, const QString &selectedFilter);
    /// "png", "jpg" or "bmp" for a filter text starting with PNG, JPG or BMP;
    /// empty for anything else.
    static QByteArray filterFormat(const QString &selectedFilter);
    /// The format to write fileName in (after the rule has been applied).
    static QByteArray format(const QString &fileName, const QString &selectedFilter);
};
