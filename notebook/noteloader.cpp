#include "noteloader.h"

#include "htmlnesting.h"

#include <QTextDocument>
#include <QTextEdit>

QString NoteLoader::groupLines(QString text)
{
    const qsizetype size = text.size();
    int lines = 0;
    for (qsizetype i = 0; i < size && lines <= LongTextLines; ++i) {
        const QChar c = text.at(i);
        // "\r\n" is one line end, as setPlainText takes it.
        lines += c == QLatin1Char('\n') || (c == QLatin1Char('\r') && (i + 1 == size || text.at(i + 1) != QLatin1Char('\n')));
    }
    if (lines <= LongTextLines)
        return text;
    // Rewritten in place: a "\r\n" becomes one character, so out never passes in.
    QChar *out = text.data();
    const QChar *in = out;
    const auto endsLine = [in](qsizetype i) {
        return in[i] == QLatin1Char('\n') || in[i] == QLatin1Char('\r') || in[i] == QChar::ParagraphSeparator;
    };
    qsizetype written = 0;
    qsizetype groupStart = 0; // in out
    int linesInGroup = 1;
    qsizetype i = 0;
    while (i < size) {
        const QChar c = in[i];
        if (!endsLine(i)) {
            out[written++] = c;
            ++i;
            continue;
        }
        i += c == QLatin1Char('\r') && i + 1 < size && in[i + 1] == QLatin1Char('\n') ? 2 : 1;
        qsizetype next = i;
        while (next < size && !endsLine(next))
            ++next;
        // The next line joins the group when the group stays within its
        // size; a line longer than that is a paragraph of its own.
        if (c != QChar::ParagraphSeparator && linesInGroup < GroupLines
            && written + 1 + (next - i) - groupStart <= GroupChars) {
            out[written++] = QChar::LineSeparator;
            ++linesInGroup;
        } else {
            out[written++] = c == QChar::ParagraphSeparator ? c : QChar(QLatin1Char('\n'));
            linesInGroup = 1;
            groupStart = written;
        }
    }
    text.truncate(written);
    return text;
}

void NoteLoader::fill(QTextEdit *editor, QString text, bool plain)
{
    if (plain) {
        // Never through the HTML reader: it would run every line into one
        // paragraph, which takes seconds per megabyte to lay out.
        editor->setPlainText(groupLines(std::move(text)));
    } else {
        // Stored text is untrusted: a table nested thousands deep would take
        // the layout down at every start.
        text = HtmlNesting::limit(text);
        editor->setHtml(text);
    }
}
