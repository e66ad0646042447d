// How NoteFile tells plain text from HTML and measures the longest paragraph
// the editor would have to lay out in one piece.

#include "notefile.h"

#include <QtTest>

class TestNoteFile : public QObject
{
    Q_OBJECT
private slots:
    void measuresLongestParagraph_data();
    void measuresLongestParagraph();
};

void TestNoteFile::measuresLongestParagraph_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("html");
    QTest::addColumn<int>("longest");
    QTest::newRow("plain lines") << "ab\ncdef\r\ng" << false << 4;
    QTest::newRow("plain line separator joins") << QStringLiteral("ab\u2028cd\u2029e") << false << 5;
    QTest::newRow("plain last line") << "a\nbcdefg" << false << 6;
    QTest::newRow("plain empty") << "" << false << 0;
    QTest::newRow("html paragraphs") << "<html><body><p>abc</p><p>de</p></body></html>" << true << 3;
    QTest::newRow("html inline tags join") << "<p>ab<b>cd</b><br>ef</p>" << true << 6;
    QTest::newRow("html attributes are no text") << "<p style=\"margin:0px; font-size:20pt\">ab</p>" << true << 2;
    QTest::newRow("html cells part") << "<table><tr><td>abcd</td><td>efg</td></tr></table>" << true << 4;
    QTest::newRow("html line ends join outside pre") << "<html><p>ab\ncd\nef</p>" << true << 8;
    QTest::newRow("html line ends part inside pre") << "<html><pre>ab\ncd\nef</pre>" << true << 2;
    QTest::newRow("html case of tag names") << "<HTML><P>abc<DIV>de" << true << 3;
    QTest::newRow("html unclosed tag counts as text") << "<p>ab<span" << true << 7;
}

void TestNoteFile::measuresLongestParagraph()
{
    QFETCH(QString, text);
    QFETCH(bool, html);
    QFETCH(int, longest);
    QCOMPARE(NoteFile::formatOf(text), html ? NoteFile::Format::Html : NoteFile::Format::PlainText);
    QCOMPARE(NoteFile::longestParagraph(text, NoteFile::formatOf(text)), qsizetype(longest));
}

QTEST_GUILESS_MAIN(TestNoteFile)
#include "tst_notefile.moc"
