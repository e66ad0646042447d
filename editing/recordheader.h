#pragma once

#include <QCoreApplication>
#include <QString>

class QDateTime;
class QTextEdit;

/// The dated header of a record: a bold red line of the time between two
/// rules of equals signs, two line breaks and a horizontal line. Records go
/// to the very top of a note, so the newest stands first; each record's
/// text has a paragraph of its own under its header.
class RecordHeader
{
    Q_DECLARE_TR_FUNCTIONS(RecordHeader)
public:
    static QString html(const QDateTime &at);
    /// Puts the header at the start of the editor's note and leaves the
    /// editor's cursor in an empty paragraph just after it, ready for the
    /// record's text; the old text starts in the paragraph after that.
    static void insertAtTop(QTextEdit *editor, const QDateTime &at);
    /// The same at the very end of the note (a record added to it, such as
    /// a capture): the editor's cursor ends in an empty paragraph after it.
    static void append(QTextEdit *editor, const QDateTime &at);
};
