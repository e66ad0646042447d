#include "textmatcher.h"

#include <QtTest>

using Match = TextMatcher::Match;
Q_DECLARE_METATYPE(QList<Match>)

// What the find bar counts and highlights: plain text, options, CJK.
class TestTextMatcher : public QObject
{
    Q_OBJECT
private slots:
    void findsEveryMatch_data();
    void findsEveryMatch();
};

void TestTextMatcher::findsEveryMatch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<QList<Match>>("expected");

    const auto m = [](qsizetype start, qsizetype length) { return Match{start, length}; };
    QTest::newRow("latin ignores case by default")
        << "Note note NOTE" << "note" << false << false << QList<Match>{m(0, 4), m(5, 4), m(10, 4)};
    QTest::newRow("case sensitive") << "Note note NOTE" << "note" << true << false << QList<Match>{m(5, 4)};
    QTest::newRow("inside words without whole word")
        << "notes denote" << "note" << false << false << QList<Match>{m(0, 4), m(8, 4)};
    QTest::newRow("whole word skips parts of words")
        << "notes denote note, note_1 (note)" << "note" << false << true << QList<Match>{m(13, 4), m(27, 4)};
    QTest::newRow("digits and underscore join words")
        << "a1 a _a a" << "a" << false << true << QList<Match>{m(3, 1), m(8, 1)};
    QTest::newRow("matches do not overlap") << "aaaaa" << "aa" << false << false << QList<Match>{m(0, 2), m(2, 2)};
    QTest::newRow("empty word") << "abc" << "" << false << false << QList<Match>{};
    QTest::newRow("word longer than text") << "ab" << "abc" << false << false << QList<Match>{};
    QTest::newRow("chinese without spaces")
        << "我们的便签和便签本" << "便签" << false << false << QList<Match>{m(3, 2), m(6, 2)};
    QTest::newRow("chinese is whole word between chinese")
        << "我们的便签和便签本" << "便签" << false << true << QList<Match>{m(3, 2), m(6, 2)};
    QTest::newRow("latin word beside chinese is whole")
        << "用Velmo写velmonote" << "velmo" << false << true << QList<Match>{m(1, 5)};
    QTest::newRow("chinese word beside latin letters")
        << "abc便签def" << "便签" << false << true << QList<Match>{m(3, 2)};
    QTest::newRow("full-width letters") << "ＡＢＣ ａｂｃ" << "ａｂｃ" << false << false << QList<Match>{m(0, 3), m(4, 3)};
    QTest::newRow("han beyond the basic plane")
        << QString::fromUtf8("\xf0\xa0\x80\x80x\xf0\xa0\x80\x80") << QString::fromUtf8("\xf0\xa0\x80\x80")
        << false << true << QList<Match>{m(0, 2), m(3, 2)};
    QTest::newRow("paragraphs as the document gives them")
        << QStringLiteral("one\ntwo\u2028one") << "one" << false << true << QList<Match>{m(0, 3), m(8, 3)};
}

void TestTextMatcher::findsEveryMatch()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, wholeWord);
    QFETCH(QList<Match>, expected);

    const QList<Match> found = TextMatcher::findAll(text, word, {caseSensitive, wholeWord});
    QCOMPARE(found.size(), expected.size());
    for (int i = 0; i < found.size(); ++i) {
        QCOMPARE(found.at(i).start, expected.at(i).start);
        QCOMPARE(found.at(i).length, expected.at(i).length);
    }
}

QTEST_APPLESS_MAIN(TestTextMatcher)
#include "tst_textmatcher.moc"
