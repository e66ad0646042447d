#include "searchsnippet.h"

#include <QtTest>

// The line a search result shows: the match in place, blanks folded, cut ends marked.
class TestSearchSnippet : public QObject
{
    Q_OBJECT
private slots:
    void keepsTheMatchInPlace_data();
    void keepsTheMatchInPlace();
};

void TestSearchSnippet::keepsTheMatchInPlace_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("snippet"); // the match in [brackets]

    QTest::newRow("short text whole") << "buy milk today" << 4 << 4 << 24 << 80 << "buy [milk] today";
    QTest::newRow("cut before, at a word's start")
        << "the first words of a long line with milk" << 36 << 4 << 12 << 80 << "…line with [milk]";
    QTest::newRow("cut after, at a word's end") << "milk and bread and eggs" << 0 << 4 << 24 << 10 << "[milk] and…";
    QTest::newRow("breaks and runs of blanks fold")
        << QStringLiteral("one\n\n  two\u2028\tmilk") << 12 << 4 << 24 << 80 << "one two [milk]";
    QTest::newRow("table cells read as spaces")
        << QStringLiteral("\ufdd0cell\ufdd1\ufdd0milk\ufdd1") << 7 << 4 << 24 << 80 << "cell [milk]";
    QTest::newRow("a match longer than the snippet is shortened")
        << "abcdefghij" << 0 << 10 << 24 << 4 << "[abcd]…";
    QTest::newRow("chinese cut by characters")
        << "今天上午开会讨论便签的搜索功能和列表" << 8 << 2 << 4 << 8 << "…开会讨论[便签]的搜…";
    QTest::newRow("no pair split at the front")
        << QString::fromUtf8("a\xf0\xa0\x80\x80xyz") << 4 << 1 << 2 << 80 << "…x[y]z";
    QTest::newRow("match at the very end") << "ends with milk" << 10 << 4 << 24 << 80 << "ends with [milk]";
    QTest::newRow("blanks inside the match stay one each")
        << "milk\n\nbread" << 0 << 11 << 24 << 80 << "[milk  bread]";
}

void TestSearchSnippet::keepsTheMatchInPlace()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, before);
    QFETCH(int, width);
    QFETCH(QString, snippet);

    const SearchSnippet made = SearchSnippet::around(text, start, length, before, width);
    QString marked = made.text;
    marked.insert(made.matchStart + made.matchLength, QLatin1Char(']'));
    marked.insert(made.matchStart, QLatin1Char('['));
    QCOMPARE(marked, snippet);
}

QTEST_APPLESS_MAIN(TestSearchSnippet)
#include "tst_searchsnippet.moc"
