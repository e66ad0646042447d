#pragma once

#include <QList>
#include <QString>
#include <QStringView>

/// Finds every occurrence of a word in a note's plain text, the way the
/// find bar counts and highlights them. Positions are indexes into the text
/// given (QTextDocument::toPlainText() keeps one character per document
/// position, so they are document positions too). Matches do not overlap:
/// the search goes on after the end of each match.
///
/// Latin text matches case-insensitively unless asked otherwise. A whole
/// word is one that no letter, digit or underscore touches on either side;
/// Chinese, Japanese and Korean script has no spaces between words, so an
/// edge of the word or a neighbour in that script is always a boundary.
class TextMatcher
{
public:
    struct Options
    {
        bool caseSensitive = false;
        bool wholeWord = false;
    };
    struct Match
    {
        qsizetype start = 0;
        qsizetype length = 0;
        friend bool operator==(const Match &a, const Match &b)
        {
            return a.start == b.start && a.length == b.length;
        }
    };

    /// An empty word matches nothing.
    static QList<Match> findAll(QStringView text, QStringView word, Options options);
    /// The first match at or after from; length 0 when there is none.
    static Match findFirst(QStringView text, QStringView word, Options options, qsizetype from = 0);
    /// Whether the code point belongs to a script written without spaces
    /// between words (Han, kana, Hangul and their punctuation and forms).
    static bool isUnspacedScript(char32_t codePoint);

private:
    static bool isBoundary(QStringView text, qsizetype start, qsizetype end);
};
