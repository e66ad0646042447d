#include "noteloader.h"

#include "htmlnesting.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace {
/// Elements without an end tag (and "<!DOCTYPE>"-like ones without a name).
bool isVoidElement(QStringView name)
{
    static const char *const names[] = {"br", "img", "hr", "meta", "link", "input", "col", "area", "base", "wbr",
                                        "param", "source"};
    for (const char *known : names) {
        if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return true;
    }
    return name.isEmpty();
}

bool isBlank(QStringView text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

/// The first piece goes in as setHtml puts it (with what <head> and <body>
/// set for the whole document); each further piece is read as a fragment
/// and appended. A piece starts with an empty paragraph that merges into
/// the document's last one, so that the piece's own first paragraph starts
/// a new one with its formats, as in the whole.
void fillHtmlInPieces(QTextEdit *editor, const QString &html, const NoteLoader::HtmlPieces &pieces)
{
    const QLatin1String end("</body></html>");
    QTextDocument *document = editor->document();
    // One edit from an empty document: the editor then lays it out in the
    // background as after setHtml, rather than all that was appended at once.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    editor->setHtml(html.left(pieces.cuts.first()) + end);
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    const QStringView head = QStringView(html).left(pieces.bodyStart);
    const QLatin1String emptyParagraph("<p style=\"-qt-paragraph-type:empty;\"><br /></p>");
    for (qsizetype k = 0; k < pieces.cuts.size(); ++k) {
        const qsizetype from = pieces.cuts.at(k);
        const bool last = k + 1 == pieces.cuts.size();
        const QStringView piece = QStringView(html).mid(from, (last ? html.size() : pieces.cuts.at(k + 1)) - from);
        QString source;
        source.reserve(head.size() + emptyParagraph.size() + piece.size() + end.size());
        source += head;
        source += emptyParagraph;
        source += piece;
        if (!last)
            source += end;
        cursor.movePosition(QTextCursor::End);
        cursor.insertHtml(source);
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
    document->setModified(false);
}
}

void NoteLoader::fill(QTextEdit *editor, QString text, bool plain)
{
    if (plain) {
        // Never through the HTML reader: it would run every line into one
        // paragraph, which takes seconds per megabyte to lay out.
        editor->setPlainText(groupLines(std::move(text)));
        return;
    }
    // Stored text is untrusted: a table nested thousands deep would take
    // the layout down at every start.
    text = HtmlNesting::limit(text);
    const HtmlPieces pieces = htmlPieces(text, HtmlPieceChars);
    if (pieces.cuts.isEmpty())
        editor->setHtml(text);
    else
        fillHtmlInPieces(editor, text, pieces);
}

QString NoteLoader::groupLines(QString text)
{
    const qsizetype size = text.size();
    int lines = 0;
    for (qsizetype i = 0; i < size && lines <= LongTextLines; ++i) {
        const QChar c = text.at(i);
        // "\r\n" is one line end, as setPlainText takes it.
        lines += c == QLatin1Char('\n')
            || (c == QLatin1Char('\r') && (i + 1 == size || text.at(i + 1) != QLatin1Char('\n')));
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

NoteLoader::HtmlPieces NoteLoader::htmlPieces(const QString &html, qsizetype every)
{
    HtmlPieces pieces;
    if (html.size() < 2 * every || html.contains(QLatin1String("<!--StartFragment-->")))
        return pieces;
    int depth = 0;               // elements other than p open in <body>
    bool afterParagraph = false; // a </p> and nothing but white space since
    qsizetype lastCut = 0;
    qsizetype textFrom = 0; // just after the last tag
    for (qsizetype i = html.indexOf(QLatin1Char('<')); i >= 0; i = html.indexOf(QLatin1Char('<'), i)) {
        if (!isBlank(QStringView(html).mid(textFrom, i - textFrom)))
            afterParagraph = false;
        if (QStringView(html).mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype close = html.indexOf(QLatin1String("-->"), i + 4);
            if (close < 0)
                break;
            i = textFrom = close + 3;
            continue;
        }
        const qsizetype end = HtmlNesting::tagEnd(html, i);
        if (end < 0)
            break;
        const auto [name, closing] = HtmlNesting::tagName(html, i, end);
        const bool inBody = pieces.bodyStart >= 0;
        if (name.compare(QLatin1String("body"), Qt::CaseInsensitive) == 0) {
            if (closing || inBody)
                break;
            pieces.bodyStart = end + 1;
            afterParagraph = true;
        } else if (inBody && name.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0) {
            if (!closing && depth == 0 && afterParagraph && i - lastCut >= every && html.size() - i >= every) {
                pieces.cuts << i;
                lastCut = i;
            }
            afterParagraph = closing && depth == 0;
        } else if (inBody) {
            if (!isVoidElement(name) && html.at(end - 1) != QLatin1Char('/'))
                depth = std::max(0, depth + (closing ? -1 : 1));
            afterParagraph = false;
        }
        i = textFrom = end + 1;
    }
    return pieces;
}
