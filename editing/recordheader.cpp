#include "recordheader.h"

#include <QDateTime>
#include <QTextEdit>

QString RecordHeader::html(const QDateTime &at)
{
    const QString rule(14, QLatin1Char('='));
    return tr("<font color=Red><B>%1%2%3</B></font><BR><BR><HR>")
        .arg(rule, at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), rule);
}

void RecordHeader::insertAtTop(QTextEdit *editor, const QDateTime &at)
{
    editor->moveCursor(QTextCursor::Start);
    editor->insertHtml(html(at));
}
