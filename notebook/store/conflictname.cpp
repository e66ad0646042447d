#include "conflictname.h"

#include <QRegularExpression>

ConflictName::Match ConflictName::parse(const QString &fileName)
{
    // Syncthing puts its mark before the last suffix; a name without one ends in the mark.
    static const QRegularExpression syncthing(
        QStringLiteral("^(.+)\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}(\\.[^.]*)?$"));
    static const QRegularExpression nextcloud(
        QStringLiteral("^(.+) \\(conflicted copy (?:.+ )?\\d{4}-\\d{2}-\\d{2} \\d{6}\\)(\\.[^.]*)?$"));
    static const QRegularExpression own(
        QStringLiteral("^(.+)\\.velmo-conflict-\\d{8}-\\d{6}-[0-9a-z]{1,16}(\\.[^.]*)?$"));
    const struct
    {
        const QRegularExpression &pattern;
        Tool tool;
    } rules[] = {{syncthing, Tool::Syncthing}, {nextcloud, Tool::Nextcloud}, {own, Tool::Own}};
    for (const auto &rule : rules) {
        const QRegularExpressionMatch match = rule.pattern.match(fileName);
        if (match.hasMatch())
            return Match{rule.tool, match.captured(1) + match.captured(2)};
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
