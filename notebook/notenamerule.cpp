#include "notenamerule.h"

#include <QRegularExpression>

QString NoteNameRule::unique(const QString &name, const QStringList &taken)
{
    if (!taken.contains(name))
        return name;
    QString base = name;
    int number = 2;
    static const QRegularExpression numbered(QStringLiteral("^(.*) \\((\\d{1,6})\\)$"));
    if (const QRegularExpressionMatch match = numbered.match(name); match.hasMatch()) {
        base = match.captured(1);
        number = match.captured(2).toInt() + 1;
    }
    for (;; ++number) {
        const QString candidate = QStringLiteral("%1 (%2)").arg(base).arg(number);
        if (!taken.contains(candidate))
            return candidate;
    }
}
