#pragma once

#include <QString>
#include <QStringList>

/// The list of offered skins, "./skin/skin.cfg": picture file names relative
/// to the skin folder, separated by "/". Paths are relative to the working
/// directory, as the note store keeps them.
namespace SkinList {

inline QString folder() { return QStringLiteral("./skin/"); }
inline QString listFile() { return folder() + QLatin1String("skin.cfg"); }

/// The entries of a list text, in order. Blanks and line breaks at either end
/// of an entry are not part of the name (editors end a file with a line
/// break); empty entries stay entries.
QStringList parse(const QString &text);

/// The entries of the list file at path, read in the locale's encoding;
/// empty when the file is missing or cannot be read.
QStringList read(const QString &path = listFile());

}
