#pragma once

#include <QCoreApplication>
#include <QString>

/// A note kept in a file of its own: the note's HTML as text, or plain text
/// (a .txt file, a log) that is shown as it is, line for line.
/// Reading refuses what cannot be a note (not text) or what the editor cannot
/// show in about two seconds (too large, a paragraph too long to lay out)
/// instead of freezing on it; writing goes through a temporary file renamed
/// over the old one, so a failed write leaves the previous content whole.
class NoteFile
{
    Q_DECLARE_TR_FUNCTIONS(NoteFile)
public:
    /// Larger files are refused before they are read: plain text of short
    /// lines and HTML both take about 0.18 s per megabyte to open, and the
    /// editor keeps some 3 to 8 times the file's size (bench/bignote).
    static constexpr qint64 MaxBytes = 8 * 1024 * 1024;
    /// Qt lays out a paragraph in one piece, keeping some 40 bytes per
    /// character and taking about 2.5 s per million characters: longer
    /// paragraphs (a one-line file of megabytes) are refused.
    static constexpr qsizetype MaxParagraphChars = 256 * 1024;
    /// A run of text with no place to break a line is wrapped at a cost that
    /// grows with the square of its length (64K characters: 0.8 s, 256K: 12 s).
    static constexpr qsizetype MaxWordChars = 32 * 1024;
    /// Each change of format inside a paragraph costs as much as some fifty
    /// characters, and more where no line can break between them.
    static constexpr qsizetype MaxParagraphTags = 8000;
    /// Past some 600000 lines of plain text the editor's layout no longer
    /// finishes: 550000 short lines are laid out in 2 s, 650000 not within
    /// 30 s (nor in ten minutes), whether or not lines share paragraphs.
    static constexpr qsizetype MaxLines = 500000;

    enum class Format { Html, PlainText };

    struct ReadResult
    {
        bool ok = false;
        QString text;
        QString error;
        Format format = Format::Html;
        /// Refused for its size: error is a sentence for the user.
        bool tooLarge = false;
        /// The bytes were not UTF-8: read as Latin-1 (every byte a character),
        /// so a save would write other bytes than the file holds.
        bool notUtf8 = false;
    };

    static ReadResult read(const QString &path);
    /// Whether bytes are valid UTF-8 (what read() and write() use).
    static bool isUtf8(const QByteArray &bytes);
    /// Returns an empty string on success, else what went wrong. Written
    /// outside the notebook folder, the file holds the note's pictures as
    /// data: URIs (PictureStore::embed), so it stands on its own.
    static QString write(const QString &path, const QString &html);

    /// The name a save writes to: the path itself when its suffix is "not"
    /// (case-sensitive), otherwise the path with ".not" appended.
    static QString savePath(const QString &path);

    /// HTML when the text starts like HTML (Qt::mightBeRichText), else plain text.
    static Format formatOf(const QString &text);
    /// What makes a text slow to lay out, never less than the editor will meet.
    struct Shape
    {
        qsizetype longestParagraph = 0; // characters
        qsizetype longestWord = 0;      // characters with no line break possible between them
        qsizetype mostTags = 0;         // HTML tags inside one paragraph
        qsizetype lines = 0;            // plain text: lines, counting line breaks inside paragraphs
    };
    /// Plain text: paragraphs are lines. HTML: paragraphs run between the
    /// tags that start one (line ends count only inside <pre>); the text is
    /// what lies outside tags, entities counted as written. A line may break
    /// after white space and beside CJK characters; the editor finds more
    /// places, so words come out no shorter than it sees them.
    static Shape shapeOf(const QString &text, Format format);
};
