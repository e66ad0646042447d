#pragma once

#include <QString>

/// A note kept in a file of its own: the note's HTML as text, nothing else.
/// Reading refuses what cannot be a note (too large, not text) instead of
/// freezing on it; writing goes through a temporary file renamed over the
/// old one, so a failed write leaves the previous content whole.
class NoteFile
{
public:
    static constexpr qint64 MaxBytes = 32 * 1024 * 1024;

    struct ReadResult
    {
        bool ok = false;
        QString text;
        QString error;
    };

    static ReadResult read(const QString &path);
    /// Returns an empty string on success, else what went wrong.
    static QString write(const QString &path, const QString &html);

    /// The name a save writes to: the path itself when its suffix is "not"
    /// (case-sensitive), otherwise the path with ".not" appended.
    static QString savePath(const QString &path);
};
