// How NoteFile tells plain text from HTML and measures what the editor would
// have to lay out in one piece: paragraphs, words, format changes.

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
    QTest::addColumn<int>("paragraph");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("tags");
    QTest::addColumn<int>("lines");
    QTest::newRow("plain lines") << "ab\ncdef\r\ng" << false << 4 << 4 << 0 << 3;
    QTest::newRow("plain line separator joins") << QStringLiteral("ab\u2028cd\u2029e") << false << 5 << 2 << 0 << 3;
    QTest::newRow("plain words") << "a bcd\tef\nghijk lm" << false << 8 << 5 << 0 << 2;
    QTest::newRow("plain CJK breaks anywhere") << QStringLiteral("abc今天要做de") << false << 9 << 3 << 0 << 1;
    QTest::newRow("plain empty") << "" << false << 0 << 0 << 0 << 1;
    QTest::newRow("html paragraphs") << "<html><body><p>abc</p><p>de</p></body></html>" << true << 3 << 3 << 0 << 0;
    QTest::newRow("html inline tags join") << "<p>ab<b>cd</b><br>e f</p>" << true << 7 << 5 << 3 << 0;
    QTest::newRow("html attributes are no text") << "<p style=\"margin:0px; font-size:20pt\">ab</p>" << true << 2 << 2 << 0 << 0;
    QTest::newRow("html cells part") << "<table><tr><td>abcd</td><td>efg</td></tr></table>" << true << 4 << 4 << 0 << 0;
    QTest::newRow("html line ends join outside pre") << "<html><p>ab\ncd\nef</p>" << true << 8 << 2 << 0 << 0;
    QTest::newRow("html line ends part inside pre") << "<html><pre>ab\ncd\nef</pre>" << true << 2 << 2 << 0 << 0;
    QTest::newRow("html case of tag names") << "<HTML><P>abc<DIV>de" << true << 3 << 3 << 0 << 0;
    QTest::newRow("html unclosed tag counts as text") << "<p>ab<span" << true << 7 << 7 << 0 << 0;
}

void TestNoteFile::measuresLongestParagraph()
{
    QFETCH(QString, text);
    QFETCH(bool, html);
    QFETCH(int, paragraph);
    QFETCH(int, word);
    QFETCH(int, tags);
    QFETCH(int, lines);
    const NoteFile::Format format = NoteFile::formatOf(text);
    QCOMPARE(format, html ? NoteFile::Format::Html : NoteFile::Format::PlainText);
    const NoteFile::Shape shape = NoteFile::shapeOf(text, format);
    QCOMPARE(shape.longestParagraph, qsizetype(paragraph));
    QCOMPARE(shape.longestWord, qsizetype(word));
    QCOMPARE(shape.mostTags, qsizetype(tags));
    QCOMPARE(shape.lines, qsizetype(lines));
}

QTEST_GUILESS_MAIN(TestNoteFile)
#include "tst_notefile.moc"
