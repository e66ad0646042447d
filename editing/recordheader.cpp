#include "recordheader.h"

#include <QDateTime>
#include <QTextBlock>
#include <QTextEdit>

QString RecordHeader::html(const QDateTime &at)
{
    const QString rule(14, QLatin1Char('='));
    // The date has a line of its own: at the note's size a rule, the date
    // and a rule in one line are wider than the window's first size.
    return tr("<font color=Red><B>%1<BR>%2<BR>%3</B></font><BR><BR><HR>")
        .arg(rule, at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), rule);
}

void RecordHeader::insertAtTop(QTextEdit *editor, const QDateTime &at)
{
    // The rule ends in a paragraph of its own, and a paragraph carrying a
    // rule is saved as a bare <hr>: text put into it would be lost. So the
    // old first line keeps its paragraph, and the record's text gets a new
    // plain one after the rule.
    QTextCursor cursor(editor->document());
    cursor.insertBlock();
    cursor.movePosition(QTextCursor::Start);
    cursor.insertHtml(html(at));
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    editor->setTextCursor(cursor);
}

void RecordHeader::append(QTextEdit *editor, const QDateTime &at)
{
    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertHtml(html(at));
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    editor->setTextCursor(cursor);
}
