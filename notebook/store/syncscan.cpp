#include "syncscan.h"

#include "conflictname.h"

#include <algorithm>

bool SyncScan::isNoteFile(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".not")) && !fileName.startsWith(QLatin1Char('.'))
        && fileName.size() > 4;
}

QList<SyncScan::Step> SyncScan::compare(const QHash<QString, FileStamp> &known,
                                        const QHash<QString, FileStamp> &disk, const QSet<QString> &unsaved)
{
    QList<Step> steps;
    for (auto it = disk.constBegin(); it != disk.constEnd(); ++it) {
        if (!isNoteFile(it.key()) || !it->exists())
            continue;
        const auto was = known.constFind(it.key());
        if (was == known.constEnd() || !was->exists()) {
            const ConflictName::Match copy = ConflictName::parse(it.key());
            if (copy.isConflict())
                steps.append({Action::ConflictCopy, it.key(), copy.original});
            else
                steps.append({Action::NewNote, it.key(), QString()});
            continue;
        }
        if (was->sameContent(*it))
            continue;
        steps.append({unsaved.contains(it.key()) ? Action::Conflict : Action::Reload, it.key(), QString()});
    }
    for (auto it = known.constBegin(); it != known.constEnd(); ++it) {
        if (!it->exists() || disk.value(it.key()).exists())
            continue;
        steps.append({unsaved.contains(it.key()) ? Action::DeletedWhileEdited : Action::DeletedElsewhere, it.key(),
                      QString()});
    }
    std::sort(steps.begin(), steps.end(), [](const Step &a, const Step &b) { return a.file < b.file; });
    return steps;
}
