#pragma once

#include <QString>

/// Bounds how deeply tables and lists nest in a note's HTML before it reaches
/// a text document. Qt lays out nested tables recursively: a stored note with
/// thousands of levels overflows the stack at every start, and a few dozen
/// already take seconds. Tables and lists (ul, ol, dl) count together; the
/// ones beyond MaxDepth lose their structure but keep their text: a row or
/// list item starts a new line, a cell is set off by a space.
///
/// A plain text scan, no document: it must be cheap for any input, including
/// broken HTML (unclosed tags, stray closing tags, '>' inside quotes).
class HtmlNesting
{
public:
    /// Deeper than any table or list a person builds by hand.
    static constexpr int MaxDepth = 8;

    /// html unchanged when it nests no deeper than maxDepth; otherwise the
    /// deeper tables and lists flattened into their text.
    static QString limit(const QString &html, int maxDepth = MaxDepth);
    /// The end of the tag starting at '<' at from: the index of its '>',
    /// quotes respected; -1 when the text ends first.
    static qsizetype tagEnd(const QString &html, qsizetype from);

    /// A tag's element name and whether it is a closing tag.
    struct TagName
    {
        QStringView name;
        bool closing = false;
    };
    /// The name of the tag from '<' at open to its '>' at end.
    static TagName tagName(QStringView html, qsizetype open, qsizetype end);
};
