#include "trashstore.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

// trash/ of the notebook: entries written and taken back whole, the files the
// sync folder mode writes, the first line, and what pruning removes.
class TestTrashStore : public QObject
{
    Q_OBJECT
private slots:
    void takeGivesBackNameAndText_data();
    void takeGivesBackNameAndText();
    void listsNewestFirstWithSyncFiles();
    void firstLineOfNote_data();
    void firstLineOfNote();
    void pruneRemovesOldThenOldestPastTheCap_data();
    void pruneRemovesOldThenOldestPastTheCap();
    void prunesPicturesNoEntryShows_data();
    void prunesPicturesNoEntryShows();
};

namespace {
const QString QtPage = QStringLiteral(
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
    "<html><head><meta name=\"qrichtext\" content=\"1\" /><meta charset=\"utf-8\" /><style type=\"text/css\">\n"
    "p, li { white-space: pre-wrap; }\n</style></head><body style=\" font-family:'Sans'; font-size:10pt;\">\n"
    "<p style=\"-qt-paragraph-type:empty; margin-top:0px;\"><br /></p>\n"
    "<p style=\" margin-top:0px;\">Milk &amp; <span style=\" font-weight:700;\">eggs</span></p>\n"
    "<p style=\" margin-top:0px;\">bread</p></body></html>");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
}

void TestTrashStore::takeGivesBackNameAndText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("Qt's page") << "Shopping" << QtPage << "Milk & eggs";
    QTest::newRow("name with quotes and markup") << "a \"b\" <c> & d" << QtPage << "Milk & eggs";
    QTest::newRow("Chinese name and text") << QString::fromUtf8("购物清单") << QString::fromUtf8("<html><head></head><body><p>牛奶</p></body></html>")
                                           << QString::fromUtf8("牛奶");
    QTest::newRow("empty note, empty name") << "" << "<html><head></head><body></body></html>" << "";
}

void TestTrashStore::takeGivesBackNameAndText()
{
    QFETCH(QString, name);
    QFETCH(QString, html);
    QFETCH(QString, firstLine);
    QTemporaryDir dir;
    const TrashStore trash(dir.path());
    const QDateTime when(QDate(2026, 12, 8), QTime(18, 30, 5));
    const TrashStore::PutResult put = trash.put(name, html, when);
    QVERIFY2(put.ok, qPrintable(put.error));
    QVERIFY(QFileInfo(put.file).absolutePath() == dir.filePath("trash"));

    const QList<TrashStore::Entry> entries = trash.list();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).name, name);
    QCOMPARE(entries.at(0).deleted, when);
    QCOMPARE(entries.at(0).firstLine, firstLine);
    const TrashStore::Taken taken = trash.take(entries.at(0));
    QVERIFY2(taken.ok, qPrintable(taken.error));
    QCOMPARE(taken.name, name);
    QCOMPARE(taken.html, html);
    QVERIFY(!QFileInfo::exists(put.file));
    QVERIFY(trash.list().isEmpty());
    QVERIFY(!trash.take(entries.at(0)).ok);
}

void TestTrashStore::listsNewestFirstWithSyncFiles()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("trash")));
    const TrashStore trash(dir.path());
    const QDateTime day(QDate(2026, 12, 1), QTime(10, 0, 0));
    // As the sync folder mode writes them: "<id>-<time>[-N].not", no name.
    QVERIFY(writeFile(dir.filePath("trash/0f3a9c1d2b4e5f60-20261201-100000.not"), "<html><body><p>  </p><p>from sync</p></body></html>"));
    QVERIFY(writeFile(dir.filePath("trash/0f3a9c1d2b4e5f60-20261201-100000-2.not"), "plain text\nsecond"));
    QVERIFY(trash.put("Newest", QtPage, day.addDays(2)).ok);
    QVERIFY(trash.put("Oldest", QtPage, day.addDays(-1)).ok);
    // Not entries: another suffix, a folder, a link, a FIFO.
    QVERIFY(writeFile(dir.filePath("trash/readme.txt"), "x"));
    QVERIFY(QDir().mkdir(dir.filePath("trash/sub-20261205-100000.not")));
    QVERIFY(QFile::link(dir.filePath("trash/0f3a9c1d2b4e5f60-20261201-100000.not"), dir.filePath("trash/link-20261209-100000.not")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("trash/fifo-20261209-100000.not")).constData(), 0600), 0);

    const QList<TrashStore::Entry> entries = trash.list();
    QStringList names;
    QList<QDateTime> times;
    for (const TrashStore::Entry &e : entries)
        names << e.name, times << e.deleted;
    QCOMPARE(names, (QStringList{"Newest", "plain text", "from sync", "Oldest"}));
    QCOMPARE(times, (QList<QDateTime>{day.addDays(2), day, day, day.addDays(-1)}));
    // Pruning far in the future leaves what is not an entry alone.
    QCOMPARE(trash.prune(day.addYears(1)), 4);
    QCOMPARE(QDir(dir.filePath("trash")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 4);
}

void TestTrashStore::firstLineOfNote_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("Qt's page skips the style and empty paragraphs") << QtPage << "Milk & eggs";
    QTest::newRow("entities") << "<p>&lt;a&gt; &quot;b&quot; &#x4e2d;&#25991;&nbsp;x</p>" << QString::fromUtf8("<a> \"b\" 中文 x");
    QTest::newRow("line break inside a paragraph") << "<p>first<br />second</p>" << "first";
    QTest::newRow("source line breaks are spaces") << "<p>one\ntwo</p>" << "one two";
    QTest::newRow("plain text") << "\n\n  hello world  \nnext" << "hello world";
    QTest::newRow("long line cut at 80") << "<p>" + QString(100, 'x') + "</p>" << QString(80, 'x');
    QTest::newRow("nothing visible") << "<html><body><p><br /></p></body></html>" << "";
}

void TestTrashStore::firstLineOfNote()
{
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(TrashStore::firstLineOf(text), line);
}

void TestTrashStore::pruneRemovesOldThenOldestPastTheCap_data()
{
    QTest::addColumn<QList<int>>("ageSeconds"); // per entry, before now
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("oldestKept"); // seconds; -1: none kept
    const int day = 24 * 60 * 60;
    const int month = TrashStore::KeepDays * day;
    QTest::newRow("a second past 30 days goes") << QList<int>{month, month + 1, 5} << 1 << month;
    QList<int> many;
    for (int i = 0; i < TrashStore::MaxEntries + 3; ++i)
        many << i * 60;
    QTest::newRow("past the cap: the oldest go") << many << 3 << (TrashStore::MaxEntries - 1) * 60;
    many << month + day;
    QTest::newRow("old ones count towards the cap") << many << 4 << (TrashStore::MaxEntries - 1) * 60;
}

void TestTrashStore::pruneRemovesOldThenOldestPastTheCap()
{
    QFETCH(QList<int>, ageSeconds);
    QFETCH(int, removed);
    QFETCH(int, oldestKept);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("trash")));
    const QDateTime now(QDate(2026, 12, 8), QTime(12, 0, 0));
    // Written directly in the sync mode's naming: put() is tested above.
    for (int i = 0; i < ageSeconds.size(); ++i) {
        const QString stamp = now.addSecs(-ageSeconds.at(i)).toString("yyyyMMdd-HHmmss");
        QVERIFY(writeFile(dir.filePath(QStringLiteral("trash/%1-%2.not").arg(i, 16, 16, QLatin1Char('0')).arg(stamp)), "<p>x</p>"));
    }
    const TrashStore trash(dir.path());
    QStringList errors;
    QCOMPARE(trash.prune(now, &errors), removed);
    QVERIFY(errors.isEmpty());
    const QList<TrashStore::Entry> left = trash.list();
    QCOMPARE(left.size(), ageSeconds.size() - removed);
    QCOMPARE(left.last().deleted.secsTo(now), oldestKept);
}

void TestTrashStore::prunesPicturesNoEntryShows_data()
{
    QTest::addColumn<int>("pictureDays"); // since it was dropped
    QTest::addColumn<int>("entryDays");   // since the note showing it was deleted; -1: none
    QTest::addColumn<bool>("kept");
    QTest::newRow("old, no entry shows it") << 40 << -1 << false;
    QTest::newRow("old, an entry kept shows it") << 40 << 1 << true;
    QTest::newRow("old, its entry goes too") << 40 << 40 << false;
    QTest::newRow("dropped lately") << 1 << -1 << true;
}

void TestTrashStore::prunesPicturesNoEntryShows()
{
    QFETCH(int, pictureDays);
    QFETCH(int, entryDays);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("trash/pictures")));
    const QDateTime now = QDateTime::currentDateTime();
    const QString name = QStringLiteral("pictures/") + QString(64, QLatin1Char('d')) + QStringLiteral(".png");
    const QString picture = dir.filePath(QStringLiteral("trash/") + name);
    QVERIFY(writeFile(picture, "png"));
    const timespec dropped{now.addDays(-pictureDays).toSecsSinceEpoch(), 0};
    const timespec times[2] = {dropped, dropped};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(picture).constData(), times, 0), 0);
    if (entryDays >= 0) {
        const QString stamp = now.addDays(-entryDays).toString("yyyyMMdd-HHmmss");
        QVERIFY(writeFile(dir.filePath(QStringLiteral("trash/0123456789abcdef-%1.not").arg(stamp)),
                          QStringLiteral("<p><img src=\"%1\" /></p>").arg(name).toUtf8()));
    }
    QStringList errors;
    TrashStore(dir.path()).prune(now, &errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QCOMPARE(QFileInfo::exists(picture), kept);
}

QTEST_APPLESS_MAIN(TestTrashStore)
#include "tst_trashstore.moc"
