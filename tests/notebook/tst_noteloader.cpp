// What a note's text becomes in its editor: the same text as the editor's
// own setPlainText gives, a long plain text in paragraphs of several lines;
// long HTML read in pieces the same document as read whole.

#include "noteloader.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QtTest>

class TestNoteLoader : public QObject
{
    Q_OBJECT
private slots:
    void plainTextReadsAsItsLines_data();
    void plainTextReadsAsItsLines();
    void longHtmlReadsAsAWhole_data();
    void longHtmlReadsAsAWhole();
};

namespace {
/// count lines of words, line i holding i % 7 words ("" every 7th line).
QString lines(int count, const QString &lineEnd)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        for (int w = 0; w < i % 7; ++w)
            text += w ? QStringLiteral(" w%1").arg(i) : QStringLiteral("w%1").arg(i);
        text += lineEnd;
    }
    return text;
}
}

void TestNoteLoader::plainTextReadsAsItsLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("grouped");
    QTest::newRow("few lines: a paragraph each") << lines(300, QStringLiteral("\n")) << false;
    QTest::newRow("many lines") << lines(5000, QStringLiteral("\n")) << true;
    QTest::newRow("many lines, CR LF and lone CR")
        << lines(2500, QStringLiteral("\r\n")) + lines(2500, QStringLiteral("\r")) << true;
    QTest::newRow("long lines among short ones, paragraph separators")
        << lines(3000, QStringLiteral("\n")) + QString(9000, QLatin1Char('x')) + QChar::ParagraphSeparator
               + QString(3000, QLatin1Char('y')) + QLatin1Char('\n') + QString(3000, QLatin1Char('z'))
               + lines(2000, QStringLiteral("\n"))
        << true;
}

void TestNoteLoader::plainTextReadsAsItsLines()
{
    QFETCH(QString, text);
    QFETCH(bool, grouped);
    QTextEdit reference;
    reference.setPlainText(text);
    QTextEdit editor;
    editor.insertPlainText(QStringLiteral("earlier text"));
    NoteLoader::fill(&editor, text, true);
    QTextDocument *document = editor.document();
    QCOMPARE(document->toPlainText(), reference.toPlainText());
    QVERIFY(!document->isModified());
    QVERIFY(!document->isUndoAvailable());
    if (!grouped) {
        QCOMPARE(document->blockCount(), reference.document()->blockCount());
        return;
    }
    QVERIFY(document->blockCount() * 10 < reference.document()->blockCount());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString paragraph = block.text();
        const qsizetype breaks = paragraph.count(QChar::LineSeparator);
        QVERIFY2(breaks < NoteLoader::GroupLines, qPrintable(QString::number(block.blockNumber())));
        // Only a line of its own may be longer.
        QVERIFY2(breaks == 0 || paragraph.size() <= NoteLoader::GroupChars,
                 qPrintable(QString::number(block.blockNumber())));
    }
}

void TestNoteLoader::longHtmlReadsAsAWhole_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("pieces");
    // A note as the editor writes it: formats, a list, a table, a heading.
    QTextEdit writer;
    writer.setFont(QFont(QStringLiteral("calibri"), 16));
    writer.setHtml(QStringLiteral("<p align=center><b>title</b> <span style='color:#c0392b'>red</span></p>"
                                  "<ul><li>one</li><li>two <i>2</i></li></ul><p>after the list</p>"
                                  "<table border=1><tr><td>a</td><td><p>b</p><p>c</p></td></tr></table>"
                                  "<h2>heading</h2><p style='margin-left:20px'>indented 今天</p><p></p>"
                                  "<pre>  pre\n  text</pre><p>end</p>"));
    QString written = writer.toHtml();
    const qsizetype bodyEnd = written.lastIndexOf(QLatin1String("</body>"));
    const QString body = written.mid(written.indexOf(QLatin1Char('>'), written.indexOf(QLatin1String("<body"))) + 1,
                                     bodyEnd - written.indexOf(QLatin1String("<body")));
    QString big = written.left(bodyEnd);
    while (big.size() < 3 * NoteLoader::HtmlPieceChars)
        big += body.left(body.lastIndexOf(QLatin1String("</body>")));
    QTest::newRow("the editor's own HTML") << big + QLatin1String("</body></html>") << true;
    // Hand-written, with what the head and body set for the whole note.
    QString hand = QStringLiteral("<HTML><HEAD><TITLE>t</TITLE><!-- <body> --></HEAD><BODY BGCOLOR=\"#ffeeee\">");
    for (int i = 0; hand.size() < 3 * NoteLoader::HtmlPieceChars; ++i)
        hand += QStringLiteral("<P>line %1 <B>bold</B></P>\n<P ALIGN=right>x</P><ul><li>item</li></ul><p>after</p>").arg(i);
    QTest::newRow("hand-written") << hand + QLatin1String("</BODY></HTML>") << true;
    // Unclosed paragraphs and bold: no place to cut.
    QString loose = QStringLiteral("<html><body>");
    for (int i = 0; loose.size() < 3 * NoteLoader::HtmlPieceChars; ++i)
        loose += QStringLiteral("<p>line %1 <b>bold<p>unclosed\n<div><p>in a div</p></div>").arg(i);
    QTest::newRow("unclosed tags") << loose << false;
}

void TestNoteLoader::longHtmlReadsAsAWhole()
{
    QFETCH(QString, html);
    QFETCH(bool, pieces);
    QCOMPARE(!NoteLoader::htmlPieces(html, NoteLoader::HtmlPieceChars).cuts.isEmpty(), pieces);
    QTextEdit reference;
    reference.setFont(QFont(QStringLiteral("calibri"), 16));
    reference.setHtml(html);
    QTextEdit editor;
    editor.setFont(QFont(QStringLiteral("calibri"), 16));
    NoteLoader::fill(&editor, html, false);
    QCOMPARE(editor.document()->blockCount(), reference.document()->blockCount());
    QCOMPARE(editor.toHtml(), reference.toHtml());
    QVERIFY(!editor.document()->isModified());
    QVERIFY(!editor.document()->isUndoAvailable());
}

QTEST_MAIN(TestNoteLoader)
#include "tst_noteloader.moc"
