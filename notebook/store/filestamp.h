#pragma once

#include <QByteArray>
#include <QString>

/// What a file held when the program last read or wrote it: its size, its
/// modification time and a hash of its bytes. Two stamps of the same file
/// tell whether anyone else changed it since; equal size and time are not
/// trusted alone (a sync tool may set the time it copied), the hash decides.
struct FileStamp
{
    qint64 size = -1; ///< -1: no such file (or it could not be read)
    qint64 modifiedMs = 0;
    QByteArray hash;

    bool exists() const { return size >= 0; }
    /// The same bytes (both missing counts as the same).
    bool sameContent(const FileStamp &other) const { return size == other.size && hash == other.hash; }
    /// Size and time alone say it is unchanged: no need to read it again.
    bool looksUnchanged(qint64 nowSize, qint64 nowModifiedMs) const
    {
        return exists() && size == nowSize && modifiedMs == nowModifiedMs;
    }

    /// Reads path whole (up to maxBytes; larger files hash their size and time only).
    static FileStamp of(const QString &path, qint64 maxBytes = 64 * 1024 * 1024);
    static FileStamp ofBytes(const QByteArray &bytes, qint64 modifiedMs);
    /// Which file path is now, cheaply (no reading): device, inode, size and
    /// modification time. A file replaced by a rename, as sync tools and our
    /// own saves do, gets another one. Empty when there is no such file.
    static QByteArray identity(const QString &path);
    /// A stamp that matches no file: what we hold is older than the file,
    /// whatever the file holds now.
    static FileStamp outdated()
    {
        FileStamp stamp;
        stamp.size = 0;
        stamp.modifiedMs = -1;
        stamp.hash = QByteArrayLiteral("outdated");
        return stamp;
    }
};
