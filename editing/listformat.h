#pragma once

#include <QString>
#include <QTextCursor>

class QTextBlock;

/// Bullet lists, numbered lists and checklists on a QTextDocument (no
/// widgets). A checklist is a bullet list whose items carry Qt's checkable
/// markers; toHtml() writes them as <li class="unchecked"> or "checked" and
/// setHtml() reads them back. A ticked item's text is struck through.
class ListFormat
{
public:
    enum class Kind { None, Bullet, Numbered, Checklist };

    /// The kind of list the block is in (None outside lists).
    static Kind kindOf(const QTextBlock &block);
    /// Turns the paragraphs the cursor touches into a list of that kind, or
    /// back into plain paragraphs when they all are such a list already.
    /// One undo step.
    static void apply(QTextCursor cursor, Kind kind);
    /// Ticks or unticks a checklist item; false when the block is none.
    static bool toggleCheck(const QTextBlock &block);
    /// The list typing starts when the paragraph so far reads typed and a
    /// space follows: "-" or "*" a bullet list, "[ ]" a checklist item
    /// ("[x]" a ticked one). None for anything else.
    static Kind typedStart(const QString &typed, bool *checked = nullptr);
};
