#include "notesearch.h"

#include <QtTest>

// The search over many notes: first match per note, in the caller's order,
// a limit on what is listed, and texts that change between keystrokes.
class TestNoteSearch : public QObject
{
    Q_OBJECT
private slots:
    void findsFirstMatchPerNote_data();
    void findsFirstMatchPerNote();
    void listsUpToTheLimitAndCountsTheRest();
    void seesAChangedTextWhileTypingOn();
};

void TestNoteSearch::findsFirstMatchPerNote_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("expected"); // "note:start" per hit, in order

    QTest::newRow("first match in each, in the given order")
        << QStringList{"milk and milk", "no", "more Milk"} << "milk" << "0:0 2:5";
    QTest::newRow("case ignored both ways")
        << QStringList{"MILK", "milk"} << "Milk" << "0:0 1:0";
    QTest::newRow("chinese") << QStringList{"今天开会", "会议记录"} << "会议" << "1:0";
    QTest::newRow("folding that changes the length still finds")
        << QStringList{QStringLiteral("Stra\u00dfe und Weg"), "weg"} << "WEG" << "0:11 1:0";
    QTest::newRow("nothing for an empty word") << QStringList{"milk"} << "" << "";
    QTest::newRow("no match") << QStringList{"milk"} << "bread" << "";
}

void TestNoteSearch::findsFirstMatchPerNote()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, word);
    QFETCH(QString, expected);

    NoteSearch search;
    QList<NoteSearch::Key> order;
    for (int i = 0; i < texts.size(); ++i) {
        search.setText(NoteSearch::Key(i + 1), texts.at(i));
        order.append(NoteSearch::Key(i + 1));
    }
    const NoteSearch::Result result = search.find(word, order, 100);
    QStringList hits;
    for (const NoteSearch::Hit &hit : result.shown) {
        hits.append(QStringLiteral("%1:%2").arg(hit.key - 1).arg(hit.start));
        QCOMPARE(texts.at(int(hit.key - 1)).mid(hit.start, hit.length).toCaseFolded(), word.toCaseFolded());
    }
    QCOMPARE(hits.join(QLatin1Char(' ')), expected);
    QCOMPARE(result.total, result.shown.size());
}

void TestNoteSearch::listsUpToTheLimitAndCountsTheRest()
{
    NoteSearch search;
    QList<NoteSearch::Key> order;
    for (NoteSearch::Key key = 1; key <= 300; ++key) {
        search.setText(key, key % 3 == 0 ? QStringLiteral("has the word") : QStringLiteral("has not"));
        order.prepend(key); // the order given, not the keys', decides
    }
    const NoteSearch::Result result = search.find(QStringLiteral("word"), order, 20);
    QCOMPARE(result.total, 100);
    QCOMPARE(result.shown.size(), 20);
    QCOMPARE(result.shown.first().key, NoteSearch::Key(300));
    QCOMPARE(result.shown.last().key, NoteSearch::Key(243));
}

void TestNoteSearch::seesAChangedTextWhileTypingOn()
{
    // Typing on searches only what matched the shorter word, unless a text changed.
    NoteSearch search;
    const QList<NoteSearch::Key> order{1, 2};
    search.setText(1, QStringLiteral("milk"));
    search.setText(2, QStringLiteral("bread"));
    QCOMPARE(search.find(QStringLiteral("mi"), order, 10).total, 1);
    search.setText(2, QStringLiteral("milk too"));
    QCOMPARE(search.find(QStringLiteral("mil"), order, 10).total, 2);
    search.remove(1);
    const NoteSearch::Result result = search.find(QStringLiteral("milk"), order, 10);
    QCOMPARE(result.total, 1);
    QCOMPARE(result.shown.first().key, NoteSearch::Key(2));
    // A shorter word after a longer one searches everything again.
    search.setText(1, QStringLiteral("mild"));
    QCOMPARE(search.find(QStringLiteral("milk"), order, 10).total, 1);
    QCOMPARE(search.find(QStringLiteral("mil"), order, 10).total, 2);
}

QTEST_APPLESS_MAIN(TestNoteSearch)
#include "tst_notesearch.moc"
