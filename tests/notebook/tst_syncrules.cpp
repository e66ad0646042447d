#include "conflictname.h"
#include "syncscan.h"
#include "tabstoremerge.h"

#include <QtTest>

Q_DECLARE_METATYPE(TabStoreData)
Q_DECLARE_METATYPE(QList<TabStoreData>)

// The rules a synced notebook folder lives by, as tables: which names are
// conflict copies, what a folder scan asks for, how a tab.dat from another
// computer merges into this one's.
class TestSyncRules : public QObject
{
    Q_OBJECT
private slots:
    void recognisesConflictCopies_data();
    void recognisesConflictCopies();
    void ownCopyIsRecognisedAsCopyOfItsNote();
    void scanGivesOneStepPerDifference_data();
    void scanGivesOneStepPerDifference();
    void mergeKeepsLocalNotesAndTakesRemoteChanges_data();
    void mergeKeepsLocalNotesAndTakesRemoteChanges();
    void mergeTakesOnlyWhatChangedSinceTheRemoteBase_data();
    void mergeTakesOnlyWhatChangedSinceTheRemoteBase();
};

void TestSyncRules::recognisesConflictCopies_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("original");
    const int none = int(ConflictName::Tool::None);
    const int syncthing = int(ConflictName::Tool::Syncthing);
    const int nextcloud = int(ConflictName::Tool::Nextcloud);
    QTest::newRow("syncthing note") << "a1b2.sync-conflict-20260102-030405-ABCDEFG.not" << syncthing << "a1b2.not";
    QTest::newRow("syncthing tab.dat") << "tab.sync-conflict-20261208-101112-Z9Y8X7W.dat" << syncthing << "tab.dat";
    QTest::newRow("syncthing without suffix") << "notes.sync-conflict-20260102-030405-ABCDEFG" << syncthing << "notes";
    QTest::newRow("syncthing short device") << "a.sync-conflict-20260102-030405-ABC.not" << none << "";
    QTest::newRow("syncthing lower-case device") << "a.sync-conflict-20260102-030405-abcdefg.not" << none << "";
    QTest::newRow("nextcloud") << "a1b2 (conflicted copy 2018-04-10 093612).not" << nextcloud << "a1b2.not";
    QTest::newRow("nextcloud with user") << "tab (conflicted copy anna 2018-04-10 093612).dat" << nextcloud
                                         << "tab.dat";
    QTest::newRow("nextcloud date only") << "a (conflicted copy 2018-04-10).not" << none << "";
    QTest::newRow("plain note") << "a1b2.not" << none << "";
    QTest::newRow("note named like a copy") << "sync-conflict.not" << none << "";
    QTest::newRow("own") << "a1b2.velmo-conflict-20260102-030405-9f3c.not" << int(ConflictName::Tool::Own)
                         << "a1b2.not";
}

void TestSyncRules::recognisesConflictCopies()
{
    QFETCH(QString, name);
    QFETCH(int, tool);
    QFETCH(QString, original);
    const ConflictName::Match match = ConflictName::parse(name);
    QCOMPARE(int(match.tool), tool);
    QCOMPARE(match.original, original);
}

void TestSyncRules::ownCopyIsRecognisedAsCopyOfItsNote()
{
    const QString copy = ConflictName::ownCopy(QStringLiteral("0123abcd.not"),
                                               QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)), QStringLiteral("B7"));
    QCOMPARE(copy, QStringLiteral("0123abcd.velmo-conflict-20261208-090507-b7.not"));
    QCOMPARE(ConflictName::parse(copy).original, QStringLiteral("0123abcd.not"));
    QVERIFY(SyncScan::isNoteFile(copy));
}

namespace {
FileStamp stamp(const char *text)
{
    return FileStamp::ofBytes(QByteArray(text), 1000);
}
using Files = QHash<QString, FileStamp>;
using Steps = QList<SyncScan::Step>;
}
Q_DECLARE_METATYPE(Files)
Q_DECLARE_METATYPE(Steps)

void TestSyncRules::scanGivesOneStepPerDifference_data()
{
    QTest::addColumn<Files>("known");
    QTest::addColumn<Files>("disk");
    QTest::addColumn<QStringList>("unsaved");
    QTest::addColumn<Steps>("steps");
    using A = SyncScan::Action;
    const Files one{{"a.not", stamp("one")}};
    QTest::newRow("unchanged") << one << one << QStringList{"a.not"} << Steps{};
    FileStamp touched = stamp("one");
    touched.modifiedMs = 99; // a sync tool set another time; same bytes
    QTest::newRow("only the time changed") << one << Files{{"a.not", touched}} << QStringList{} << Steps{};
    QTest::newRow("changed elsewhere") << one << Files{{"a.not", stamp("two")}} << QStringList{}
                                       << Steps{{A::Reload, "a.not", ""}};
    QTest::newRow("changed in both places") << one << Files{{"a.not", stamp("two")}} << QStringList{"a.not"}
                                            << Steps{{A::Conflict, "a.not", ""}};
    QTest::newRow("new note") << Files{} << Files{{"b.not", stamp("b")}} << QStringList{}
                              << Steps{{A::NewNote, "b.not", ""}};
    QTest::newRow("deleted elsewhere") << one << Files{} << QStringList{} << Steps{{A::DeletedElsewhere, "a.not", ""}};
    QTest::newRow("deleted while edited") << one << Files{} << QStringList{"a.not"}
                                          << Steps{{A::DeletedWhileEdited, "a.not", ""}};
    QTest::newRow("known as gone, still gone") << Files{{"a.not", FileStamp()}} << Files{} << QStringList{"a.not"}
                                               << Steps{};
    QTest::newRow("syncthing copy") << one
                                    << Files{{"a.not", stamp("one")},
                                             {"a.sync-conflict-20260102-030405-ABCDEFG.not", stamp("x")}}
                                    << QStringList{}
                                    << Steps{{A::ConflictCopy, "a.sync-conflict-20260102-030405-ABCDEFG.not", "a.not"}};
    QTest::newRow("temporary and other files ignored")
        << Files{} << Files{{".syncthing.a.not.tmp", stamp("x")}, {"a.not.Xy12Zq", stamp("x")}, {"readme.txt", stamp("x")}}
        << QStringList{} << Steps{};
    QTest::newRow("several, sorted by name")
        << Files{{"c.not", stamp("c")}, {"a.not", stamp("a")}}
        << Files{{"c.not", stamp("c2")}, {"b.not", stamp("b")}} << QStringList{}
        << Steps{{A::DeletedElsewhere, "a.not", ""}, {A::NewNote, "b.not", ""}, {A::Reload, "c.not", ""}};
}

void TestSyncRules::scanGivesOneStepPerDifference()
{
    QFETCH(Files, known);
    QFETCH(Files, disk);
    QFETCH(QStringList, unsaved);
    QFETCH(Steps, steps);
    const Steps found = SyncScan::compare(known, disk, QSet<QString>(unsaved.cbegin(), unsaved.cend()));
    QCOMPARE(found.size(), steps.size());
    for (int i = 0; i < steps.size(); ++i) {
        QCOMPARE(int(found.at(i).action), int(steps.at(i).action));
        QCOMPARE(found.at(i).file, steps.at(i).file);
        QCOMPARE(found.at(i).original, steps.at(i).original);
    }
}

namespace {
/// A store written as text: "name@file" for a tab, "name@file#x,y" for a desktop note at x,y.
TabStoreData store(const QStringList &notes, const QString &skin = QString())
{
    TabStoreData data;
    for (const QString &note : notes) {
        TabRecord record;
        const QStringList parts = note.split(QLatin1Char('@'));
        record.name = parts.at(0);
        record.fromFile = true;
        const QStringList place = parts.at(1).split(QLatin1Char('#'));
        record.pathOrText = QLatin1String("notes/") + place.at(0) + QLatin1String(".not");
        if (place.size() > 1) {
            const QStringList xy = place.at(1).split(QLatin1Char(','));
            record.onScreen = true;
            record.geometry = QRect(xy.at(0).toInt(), xy.at(1).toInt(), 200, 150);
        }
        data.records << record;
    }
    data.skinPath = skin;
    return data;
}
}

void TestSyncRules::mergeKeepsLocalNotesAndTakesRemoteChanges_data()
{
    QTest::addColumn<TabStoreData>("base");
    QTest::addColumn<TabStoreData>("local");
    QTest::addColumn<TabStoreData>("remote");
    QTest::addColumn<TabStoreData>("merged");
    const TabStoreData abc = store({"A@a", "B@b", "C@c"});
    QTest::newRow("nothing changed") << abc << abc << abc << abc;
    QTest::newRow("remote reordered") << abc << abc << store({"C@c", "A@a", "B@b"}) << store({"C@c", "A@a", "B@b"});
    QTest::newRow("both reordered: local order") << abc << store({"B@b", "A@a", "C@c"}) << store({"C@c", "A@a", "B@b"})
                                                 << store({"B@b", "A@a", "C@c"});
    QTest::newRow("remote renamed") << abc << abc << store({"A@a", "Bee@b", "C@c"}) << store({"A@a", "Bee@b", "C@c"});
    QTest::newRow("both renamed: local name") << abc << store({"A@a", "Mine@b", "C@c"})
                                              << store({"A@a", "Theirs@b", "C@c"}) << store({"A@a", "Mine@b", "C@c"});
    QTest::newRow("renamed in different notes") << abc << store({"Aa@a", "B@b", "C@c"})
                                                << store({"A@a", "B@b", "Cc@c"}) << store({"Aa@a", "B@b", "Cc@c"});
    QTest::newRow("remote stuck one on the screen") << abc << abc << store({"A@a", "B@b#10,20", "C@c"})
                                                    << store({"A@a", "B@b#10,20", "C@c"});
    QTest::newRow("remote moved a desktop note") << store({"A@a#1,1"}) << store({"A@a#1,1"}) << store({"A@a#5,5"})
                                                 << store({"A@a#5,5"});
    QTest::newRow("both moved it: local place") << store({"A@a#1,1"}) << store({"A@a#2,2"}) << store({"A@a#5,5"})
                                                << store({"A@a#2,2"});
    QTest::newRow("local note remote lacks stays") << abc << store({"A@a", "B@b", "C@c", "D@d"}) << abc
                                                   << store({"A@a", "B@b", "C@c", "D@d"});
    QTest::newRow("remote dropped one, local keeps it") << abc << abc << store({"A@a", "C@c"}) << abc;
    QTest::newRow("remote new note in its place") << abc << abc << store({"A@a", "E@e", "B@b", "C@c"})
                                                  << store({"A@a", "E@e", "B@b", "C@c"});
    QTest::newRow("new on both sides") << abc << store({"A@a", "B@b", "C@c", "D@d"})
                                       << store({"E@e", "A@a", "B@b", "C@c"})
                                       << store({"E@e", "A@a", "B@b", "C@c", "D@d"});
    QTest::newRow("removed here since base stays removed") << abc << store({"A@a", "C@c"}) << abc
                                                           << store({"A@a", "C@c"});
    QTest::newRow("remote reordered, local added") << abc << store({"A@a", "B@b", "D@d", "C@c"})
                                                   << store({"C@c", "B@b", "A@a"})
                                                   << store({"C@c", "B@b", "D@d", "A@a"});
    QTest::newRow("remote skin") << store({"A@a"}, "old.png") << store({"A@a"}, "old.png") << store({"A@a"}, "new.png")
                                 << store({"A@a"}, "new.png");
    QTest::newRow("both skins: local") << store({"A@a"}, "old.png") << store({"A@a"}, "mine.png")
                                       << store({"A@a"}, "new.png") << store({"A@a"}, "mine.png");
    QTest::newRow("arrived as a file first: remote name and place")
        << store({"A@a"}) << store({"A@a", "first line@b"}) << store({"A@a", "Bee@b#7,8"})
        << store({"A@a", "Bee@b#7,8"});
    QTest::newRow("no base yet: local kept, remote's in its place")
        << TabStoreData() << store({"A@a", "B@b"}) << store({"C@c", "B@b"}) << store({"C@c", "A@a", "B@b"});
}

namespace {
QStringList described(const TabStoreData &data)
{
    QStringList lines;
    for (const TabRecord &record : data.records) {
        lines << record.name + QLatin1Char('@') + (record.fromFile ? record.pathOrText : QLatin1String("text:") + record.pathOrText)
                + (record.onScreen ? QStringLiteral("#%1,%2").arg(record.geometry.x()).arg(record.geometry.y()) : QString());
    }
    return lines;
}

TabStoreData withText(TabStoreData data, const QString &name, const QString &html)
{
    TabRecord record;
    record.name = name;
    record.pathOrText = html;
    data.records << record;
    return data;
}
}

void TestSyncRules::mergeTakesOnlyWhatChangedSinceTheRemoteBase_data()
{
    // older: versions this computer saw before base; the remote one may be
    // based on any of them (a conflict copy, a tab.dat from a paused sync).
    QTest::addColumn<QList<TabStoreData>>("older");
    QTest::addColumn<TabStoreData>("base");
    QTest::addColumn<TabStoreData>("local");
    QTest::addColumn<TabStoreData>("remote");
    QTest::addColumn<TabStoreData>("merged");
    const TabStoreData abc = store({"A@a", "B@b", "C@c"});
    const TabStoreData renamed = store({"A@a", "Mine@b", "C@c"});
    QTest::newRow("stale copy keeps the rename made here")
        << QList<TabStoreData>{abc} << renamed << renamed << abc << renamed;
    QTest::newRow("stale copy keeps the move made here")
        << QList<TabStoreData>{abc} << store({"C@c", "A@a", "B@b"}) << store({"C@c", "A@a", "B@b"}) << abc
        << store({"C@c", "A@a", "B@b"});
    QTest::newRow("stale place keeps the desktop note where it was put")
        << QList<TabStoreData>{store({"A@a#1,1"})} << store({"A@a#9,9"}) << store({"A@a#9,9"})
        << store({"A@a#1,1"}) << store({"A@a#9,9"});
    QTest::newRow("renames on both sides while apart both survive")
        << QList<TabStoreData>{abc} << renamed << renamed << store({"A@a", "B@b", "Theirs@c"})
        << store({"A@a", "Mine@b", "Theirs@c"});
    QTest::newRow("rename here, move there")
        << QList<TabStoreData>{abc} << renamed << renamed << store({"C@c", "A@a", "B@b"})
        << store({"C@c", "A@a", "Mine@b"});
    QTest::newRow("a new name there is taken")
        << QList<TabStoreData>{abc} << renamed << renamed << store({"A@a", "Newer@b", "C@c"})
        << store({"A@a", "Newer@b", "C@c"});
    QTest::newRow("text record from there comes in")
        << QList<TabStoreData>{} << abc << abc << withText(abc, "T", "<p>t</p>") << withText(abc, "T", "<p>t</p>");
    QTest::newRow("text record moved into a file here is not dropped")
        << QList<TabStoreData>{} << withText(abc, "T", "<p>t</p>") << store({"A@a", "B@b", "C@c", "T@t"})
        << withText(abc, "T", "<p>t</p>")
        << TabStoreData{withText(abc, "T", "<p>t</p>").records + store({"T@t"}).records, QString()};
}

void TestSyncRules::mergeTakesOnlyWhatChangedSinceTheRemoteBase()
{
    QFETCH(QList<TabStoreData>, older);
    QFETCH(TabStoreData, base);
    QFETCH(TabStoreData, local);
    QFETCH(TabStoreData, remote);
    QFETCH(TabStoreData, merged);
    QCOMPARE(described(TabStoreMerge::merge(base, local, remote, older)), described(merged));
}

void TestSyncRules::mergeKeepsLocalNotesAndTakesRemoteChanges()
{
    QFETCH(TabStoreData, base);
    QFETCH(TabStoreData, local);
    QFETCH(TabStoreData, remote);
    QFETCH(TabStoreData, merged);
    const TabStoreData result = TabStoreMerge::merge(base, local, remote);
    QStringList got;
    for (const TabRecord &record : result.records)
        got << record.name + QLatin1Char('@') + record.pathOrText + (record.onScreen ? QStringLiteral("#%1,%2").arg(record.geometry.x()).arg(record.geometry.y()) : QString());
    QStringList want;
    for (const TabRecord &record : merged.records)
        want << record.name + QLatin1Char('@') + record.pathOrText + (record.onScreen ? QStringLiteral("#%1,%2").arg(record.geometry.x()).arg(record.geometry.y()) : QString());
    QCOMPARE(got, want);
    QCOMPARE(result.skinPath, merged.skinPath);
}

QTEST_GUILESS_MAIN(TestSyncRules)
#include "tst_syncrules.moc"
