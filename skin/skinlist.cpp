#include "skinlist.h"

#include <QFile>

namespace SkinList {

QStringList parse(const QString &text)
{
    QStringList entries = text.split(QLatin1Char('/'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (QString &entry : entries)
        entry = entry.trimmed();
    return entries;
}

QStringList read(const QString &path)
{
    QFile file(path);
    // Read-only: a missing list is simply empty, never created.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return parse(QString::fromLocal8Bit(file.readAll()));
}

}
