#include "htmlnesting.h"

namespace {

enum class Kind { Other, Container, Line, Cell, Part };

Kind kindOf(QStringView name)
{
    static const char *const containers[] = {"table", "ul", "ol", "dl"};
    static const char *const lines[] = {"tr", "li", "dt", "dd", "caption"};
    static const char *const cells[] = {"td", "th"};
    static const char *const parts[] = {"thead", "tbody", "tfoot", "col", "colgroup"};
    const auto in = [name](const auto &list) {
        for (const char *entry : list) {
            if (name.compare(QLatin1String(entry), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    };
    if (in(containers))
        return Kind::Container;
    if (in(lines))
        return Kind::Line;
    if (in(cells))
        return Kind::Cell;
    if (in(parts))
        return Kind::Part;
    return Kind::Other;
}


/// One pass over html: whether a container is nested deeper than maxDepth,
/// and, when out is given, the text with those flattened.
bool scan(const QString &html, int maxDepth, QString *out)
{
    const auto append = [out](auto text) {
        if (out)
            *out += text;
    };
    int depth = 0;   // containers open and kept
    int dropped = 0; // containers open beyond maxDepth, their tags left out
    bool changed = false;
    // Empty rows and items past the limit add no blank lines: the flattened
    // text sits in the deepest kept cell, which Qt lays out again for every
    // table around it, so thousands of empty lines there cost seconds.
    bool broken = false; // the output ends in a line break of ours, nothing shown since
    const auto lineBreak = [&] {
        if (!broken)
            append(QLatin1String("<br />"));
        broken = true;
    };
    qsizetype i = 0;
    while (i < html.size()) {
        const qsizetype open = html.indexOf(QLatin1Char('<'), i);
        if (open < 0) {
            append(QStringView(html).mid(i));
            break;
        }
        const QStringView text = QStringView(html).mid(i, open - i);
        append(text);
        if (!text.trimmed().isEmpty())
            broken = false;
        if (QStringView(html).mid(open, 4) == QLatin1String("<!--")) {
            const qsizetype close = html.indexOf(QLatin1String("-->"), open + 4);
            const qsizetype end = close < 0 ? html.size() : close + 3;
            append(QStringView(html).mid(open, end - open));
            i = end;
            continue;
        }
        const qsizetype end = HtmlNesting::tagEnd(html, open);
        if (end < 0) {
            append(QStringView(html).mid(open));
            break;
        }
        const QStringView tag = QStringView(html).mid(open, end - open + 1);
        i = end + 1;
        const HtmlNesting::TagName tagName = HtmlNesting::tagName(html, open, end);
        const bool closing = tagName.closing;
        const Kind kind = kindOf(tagName.name);

        if (kind == Kind::Container) {
            if (!closing) {
                if (dropped == 0 && depth < maxDepth) {
                    ++depth;
                    append(tag);
                } else {
                    ++dropped;
                    changed = true;
                    lineBreak();
                }
            } else if (dropped > 0) {
                --dropped;
            } else if (depth > 0) {
                --depth;
                append(tag);
            } else {
                append(tag); // a stray end tag: harmless, left as it was
            }
            continue;
        }
        if (dropped > 0 && kind != Kind::Other) {
            if (!closing && kind == Kind::Line)
                lineBreak();
            else if (!closing && kind == Kind::Cell)
                append(QLatin1Char(' '));
            continue;
        }
        append(tag);
        broken = false;
    }
    return changed;
}

} // namespace

QString HtmlNesting::limit(const QString &html, int maxDepth)
{
    // Looked at first: a note that needs no change (nearly all) is not copied.
    if (!scan(html, maxDepth, nullptr))
        return html;
    QString out;
    scan(html, maxDepth, &out);
    return out;
}

qsizetype HtmlNesting::tagEnd(const QString &html, qsizetype from)
{
    QChar quote;
    for (qsizetype i = from + 1; i < html.size(); ++i) {
        const QChar c = html.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('>')) {
            return i;
        }
    }
    return -1;
}

HtmlNesting::TagName HtmlNesting::tagName(QStringView html, qsizetype open, qsizetype end)
{
    qsizetype nameStart = open + 1;
    const bool closing = nameStart < end && html.at(nameStart) == QLatin1Char('/');
    if (closing)
        ++nameStart;
    qsizetype nameEnd = nameStart;
    while (nameEnd < end && html.at(nameEnd).isLetterOrNumber())
        ++nameEnd;
    return {html.mid(nameStart, nameEnd - nameStart), closing};
}
