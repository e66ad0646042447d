// What a note's text becomes in its editor: the same text as the editor's
// own setPlainText gives, a long plain text in paragraphs of several lines.

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

QTEST_MAIN(TestNoteLoader)
#include "tst_noteloader.moc"
