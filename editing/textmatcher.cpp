#include "textmatcher.h"

#include <QChar>

namespace {
char32_t codePointAt(QStringView text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    return c.unicode();
}

char32_t codePointBefore(QStringView text, qsizetype i)
{
    const QChar c = text.at(i - 1);
    if (c.isLowSurrogate() && i >= 2 && text.at(i - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(i - 2), c);
    return c.unicode();
}

bool isWordCharacter(char32_t u)
{
    return u == U'_' || QChar::isLetterOrNumber(u) || QChar::category(u) == QChar::Mark_NonSpacing;
}

/// Whether the two code points on either side of an edge make one word.
bool joins(char32_t inside, char32_t outside)
{
    if (TextMatcher::isUnspacedScript(inside) || TextMatcher::isUnspacedScript(outside))
        return false;
    return isWordCharacter(inside) && isWordCharacter(outside);
}
}

bool TextMatcher::isUnspacedScript(char32_t u)
{
    return (u >= 0x2E80 && u <= 0x9FFF)     // radicals, CJK punctuation, kana, Hangul jamo, Han
        || (u >= 0xAC00 && u <= 0xD7AF)     // Hangul syllables
        || (u >= 0xF900 && u <= 0xFAFF)     // compatibility ideographs
        || (u >= 0xFF00 && u <= 0xFFEF)     // full-width and half-width forms
        || (u >= 0x20000 && u <= 0x3FFFF);  // Han extensions
}

bool TextMatcher::isBoundary(QStringView text, qsizetype start, qsizetype end)
{
    if (start > 0 && joins(codePointAt(text, start), codePointBefore(text, start)))
        return false;
    if (end < text.size() && joins(codePointBefore(text, end), codePointAt(text, end)))
        return false;
    return true;
}

TextMatcher::Match TextMatcher::findFirst(QStringView text, QStringView word, Options options, qsizetype from)
{
    if (word.isEmpty())
        return {};
    const Qt::CaseSensitivity cs = options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // Every step moves on by at least one character: linear in the text
    // for the searches Qt does in linear time.
    while (from <= text.size() - word.size()) {
        const qsizetype at = text.indexOf(word, from, cs);
        if (at < 0)
            break;
        const qsizetype end = at + word.size();
        if (!options.wholeWord || isBoundary(text, at, end))
            return {at, word.size()};
        from = at + 1;
    }
    return {};
}

QList<TextMatcher::Match> TextMatcher::findAll(QStringView text, QStringView word, Options options)
{
    QList<Match> matches;
    for (Match match = findFirst(text, word, options); match.length > 0;
         match = findFirst(text, word, options, match.start + match.length))
        matches.append(match);
    return matches;
}
