#include "conflictname.h"

#include <QRegularExpression>

ConflictName::Match ConflictName::parse(const QString &fileName)
{
    // Syncthing puts its mark before the last suffix; a name without one ends in the mark.
    static const QRegularExpression syncthing(
        QStringLiteral("^(?<base>.+)\\.sync-conflict-(?<date>\\d{8})-(?<time>\\d{6})-(?<who>[A-Z0-9]{7})(?<suffix>\\.[^.]*)?$"));
    static const QRegularExpression nextcloud(QStringLiteral(
        "^(?<base>.+) \\(conflicted copy (?:(?<who>.+) )?(?<date>\\d{4}-\\d{2}-\\d{2}) (?<time>\\d{6})\\)(?<suffix>\\.[^.]*)?$"));
    static const QRegularExpression own(
        QStringLiteral("^(?<base>.+)\\.velmo-conflict-(?<date>\\d{8})-(?<time>\\d{6})-(?<who>[0-9a-z]{1,16})(?<suffix>\\.[^.]*)?$"));
    const struct
    {
        const QRegularExpression &pattern;
        Tool tool;
    } rules[] = {{syncthing, Tool::Syncthing}, {nextcloud, Tool::Nextcloud}, {own, Tool::Own}};
    for (const auto &rule : rules) {
        const QRegularExpressionMatch match = rule.pattern.match(fileName);
        if (!match.hasMatch())
            continue;
        Match found{rule.tool, match.captured(u"base") + match.captured(u"suffix"), QDateTime(),
                    match.captured(u"who")};
        QString date = match.captured(u"date");
        date.remove(QLatin1Char('-'));
        found.when = QDateTime::fromString(date + match.captured(u"time"), QStringLiteral("yyyyMMddHHmmss"));
        return found;
    }
    return Match();
}

QString ConflictName::ownCopy(const QString &fileName, const QDateTime &when, const QString &tag)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? fileName.left(dot) : fileName;
    const QString suffix = dot > 0 ? fileName.mid(dot) : QString();
    return base + QLatin1String(".velmo-conflict-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"))
        + QLatin1Char('-') + tag.toLower() + suffix;
}
