#pragma once

#include <QDateTime>
#include <QString>

/// Recognises the copies that sync tools leave beside a file both computers
/// changed, and names the copies this program makes itself:
/// - Syncthing: "NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.EXT"
/// - Nextcloud (and ownCloud): "NAME (conflicted copy YYYY-MM-DD HHMMSS).EXT",
///   newer clients with more words (a user name) before the date
/// - this program: "NAME.velmo-conflict-YYYYMMDD-HHMMSS-XXXX.EXT"
/// Works on file names only (no folders), never touches the disk.
class ConflictName
{
public:
    enum class Tool { None, Syncthing, Nextcloud, Own };

    struct Match
    {
        Tool tool = Tool::None;
        /// The name of the file this is a copy of ("a.not" for "a.sync-conflict-…-X.not").
        QString original;
        /// When the copy was made, as its name says (local time); invalid when it says none.
        QDateTime when;
        /// Who made it, as its name says: Syncthing's short device id,
        /// Nextcloud's user (may be empty), this program's tag.
        QString who;
        bool isConflict() const { return tool != Tool::None; }
    };

    static Match parse(const QString &fileName);
    /// The name of this program's own copy of fileName made at when; tag
    /// keeps two copies made in the same second apart.
    static QString ownCopy(const QString &fileName, const QDateTime &when, const QString &tag);
};
