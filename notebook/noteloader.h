#pragma once

#include <QList>
#include <QString>

class QTextEdit;

/// Puts a note's text into its editor, as QTextEdit::setPlainText or
/// setHtml would. The editor ends with the text, an empty undo history and
/// the document unmodified; where its cursor ends is left to the caller.
///
/// Plain text shows line for line. A long one (more than LongTextLines
/// lines) is put into paragraphs of up to GroupLines lines and GroupChars
/// characters, its lines ending in line breaks inside them: the editor keeps
/// some 550 bytes of structure and layout per paragraph, 12 times a line of
/// 45 bytes, and a few dozen per line break. The text reads and saves the
/// same; only paragraph formatting (alignment, lists) then applies to such a
/// group of lines.
///
/// Long HTML is read in pieces of whole paragraphs (see htmlPieces): Qt's
/// HTML reader holds every tag and run of a text at once, some ten bytes per
/// byte of HTML, next to the document it builds.
class NoteLoader
{
public:
    static constexpr int LongTextLines = 2000;
    static constexpr int GroupLines = 64;
    /// A paragraph is laid out in one piece at every change in it: this
    /// many characters take about 10 ms.
    static constexpr qsizetype GroupChars = 4096;
    static constexpr qsizetype HtmlPieceChars = 256 * 1024;

    /// text: HTML, or plain text. Taken over, so that it can be dropped as
    /// soon as the document holds it.
    static void fill(QTextEdit *editor, QString text, bool plain);

    /// Plain text as the editor is given it: the line ends that do not
    /// end a paragraph become line breaks (QChar::LineSeparator).
    static QString groupLines(QString text);

    struct HtmlPieces
    {
        qsizetype bodyStart = -1; // just after the <body> tag
        QList<qsizetype> cuts;    // where the pieces after the first start
    };
    /// Where HTML may be cut into pieces that read as the whole does: before
    /// a paragraph (<p>) that follows a closed one in <body>, outside any
    /// other element, at least every characters after the last cut and
    /// before the end. No cuts when there is no <body> or the text is part
    /// of a copied fragment (which Qt's reader treats apart).
    static HtmlPieces htmlPieces(const QString &html, qsizetype every);
};
