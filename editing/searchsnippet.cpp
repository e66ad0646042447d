#include "searchsnippet.h"

#include <QChar>

namespace {
const QChar Ellipsis(0x2026);

bool isBlank(QChar c)
{
    // QTextDocument::toPlainText() leaves frame marks (tables) and object
    // marks (images) as characters of their own.
    const char16_t u = c.unicode();
    return c.isSpace() || u == 0xfdd0 || u == 0xfdd1 || u == 0xfffc;
}

/// Moves a cut off the low half of a surrogate pair.
qsizetype alignedStart(QStringView text, qsizetype at)
{
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate() && text.at(at - 1).isHighSurrogate())
        return at + 1;
    return at;
}

qsizetype alignedEnd(QStringView text, qsizetype at)
{
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate() && text.at(at - 1).isHighSurrogate())
        return at - 1;
    return at;
}
}

SearchSnippet SearchSnippet::around(QStringView text, qsizetype start, qsizetype length, int before, int width)
{
    start = qBound<qsizetype>(0, start, text.size());
    length = qBound<qsizetype>(0, length, qMin<qsizetype>(text.size() - start, width));
    length = alignedEnd(text, start + length) - start;
    qsizetype from = alignedStart(text, qMax<qsizetype>(0, start - before));
    // Begin at a word's start where one is near, not in the middle of it.
    for (qsizetype i = from; from > 0 && i < start && i < from + 8; ++i) {
        if (isBlank(text.at(i))) {
            from = i + 1;
            break;
        }
    }
    qsizetype to = alignedEnd(text, qMin<qsizetype>(text.size(), qMax(start + length, from + width)));
    // End after a word where one ends near, not in the middle of it.
    for (qsizetype i = to; to < text.size() && i > start + length && i > to - 8; --i) {
        if (isBlank(text.at(i))) {
            to = i;
            break;
        }
    }

    SearchSnippet snippet;
    snippet.text.reserve(to - from + 2);
    if (from > 0)
        snippet.text.append(Ellipsis);
    bool lastBlank = true; // no space at the snippet's start
    for (qsizetype i = from; i < to; ++i) {
        if (i == start) {
            snippet.matchStart = snippet.text.size();
            lastBlank = false;
        }
        if (i >= start + length || i < start) {
            const bool blank = isBlank(text.at(i));
            if (blank && lastBlank)
                continue;
            lastBlank = blank;
            snippet.text.append(blank ? QChar(QLatin1Char(' ')) : text.at(i));
        } else {
            // The match itself is kept character for character (its blanks as spaces).
            lastBlank = isBlank(text.at(i));
            snippet.text.append(lastBlank ? QChar(QLatin1Char(' ')) : text.at(i));
            if (i + 1 == start + length)
                snippet.matchLength = snippet.text.size() - snippet.matchStart;
        }
    }
    if (start == to)
        snippet.matchStart = snippet.text.size();
    while (snippet.text.endsWith(QLatin1Char(' ')) && snippet.text.size() > snippet.matchStart + snippet.matchLength)
        snippet.text.chop(1);
    if (to < text.size())
        snippet.text.append(Ellipsis);
    return snippet;
}
