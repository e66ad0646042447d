#pragma once

#include <QString>
#include <QStringView>

/// The piece of a note's plain text shown for a search result: the match
/// with some words before and after it, on one line. Line, paragraph and
/// table-cell breaks and tabs read as one space; runs of spaces shrink to
/// one. A cut end shows "…"; a cut never splits a surrogate pair. The match
/// keeps its place inside the snippet (matchStart, matchLength), shortened
/// only when it alone is longer than the snippet may be.
class SearchSnippet
{
public:
    static constexpr int DefaultBefore = 24;
    static constexpr int DefaultWidth = 80;

    QString text;
    qsizetype matchStart = 0;
    qsizetype matchLength = 0;

    /// start, length: the match in text. before: at most this many
    /// characters of text kept before the match; width: the most
    /// characters of text in the snippet (the "…" not counted).
    static SearchSnippet around(QStringView text, qsizetype start, qsizetype length,
                                int before = DefaultBefore, int width = DefaultWidth);
};
