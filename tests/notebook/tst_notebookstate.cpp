#include "notebookstate.h"
#include "notebookstatefile.h"

#include <QtTest>

#include <sys/stat.h>

using Records = QList<TabRecord>;
using Notes = QList<NotebookState::Note>;
Q_DECLARE_METATYPE(ClockSettings)

// The side file beside tab.dat: reminders as JSON, notes found again after
// renames and reordering, damaged files, merges and the per-computer file.
class TestNotebookState : public QObject
{
    Q_OBJECT
private slots:
    void readsReminderSafely_data();
    void readsReminderSafely();
    void findsEachRecordsNote_data();
    void findsEachRecordsNote();
    void bindKeepsKeysAndWriteRoundTrips();
    void damagedFileGivesDefaultsAndIsKeptAside_data();
    void damagedFileGivesDefaultsAndIsKeptAside();
    void refusedOrFailedSaveKeepsOldFile();
    void mergeKeepsNewerNoteAndLocalWindow();
    void windowStaysPerComputer();
};

namespace {
TabRecord text(const QString &name) { return TabRecord{name, false, "<p>" + name + "</p>", false, {}}; }
TabRecord file(const QString &name, const QString &path) { return TabRecord{name, true, path, false, {}}; }
NotebookState::Note note(const QString &key, const QString &name, int opacity)
{
    NotebookState::Note n;
    n.key = key, n.name = name, n.opacity = opacity;
    return n;
}
QString key(int i) { return QStringLiteral("k%1").arg(i, 16, 10, QLatin1Char('0')); }
ClockSettings reminder(bool time, const QDateTime &moment, bool gap, bool repeat, int minutes, const QString &ring)
{
    return ClockSettings{time, moment, gap, repeat, minutes, ring};
}
bool sameReminder(const ClockSettings &a, const ClockSettings &b)
{
    NotebookState::Note x, y;
    x.hasReminder = y.hasReminder = true;
    x.reminder = a, y.reminder = b;
    return x.sameSettings(y);
}
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
}

void TestNotebookState::readsReminderSafely_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<ClockSettings>("expected");
    QTest::addColumn<bool>("problem");
    const QString ring = ClockSettings::defaultRingPath();
    const QDateTime eve(QDate(2026, 12, 24), QTime(16, 59, 0));
    const ClockSettings off = reminder(false, {}, false, false, 0, ring);
    QTest::newRow("both, own sound")
        << QByteArray(R"({"time":true,"moment":"2026-12-24T16:59:00","interval":true,"repeat":true,"minutes":99999,"sound":"/a b/r.wav"})")
        << reminder(true, eve, true, true, 99999, "/a b/r.wav") << false;
    QTest::newRow("29 February") << QByteArray(R"({"time":true,"moment":"2028-02-29T08:00:00"})")
                                 << reminder(true, QDateTime(QDate(2028, 2, 29), QTime(8, 0)), false, false, 0, ring) << false;
    QTest::newRow("negative minutes: interval off") << QByteArray(R"({"interval":true,"minutes":-5})") << off << true;
    QTest::newRow("minutes past the dialog's limit") << QByteArray(R"({"interval":true,"minutes":1e12})") << off << true;
    QTest::newRow("interval on with no minutes: off") << QByteArray(R"({"interval":true,"minutes":0})") << off << false;
    QTest::newRow("empty sound: the default ring") << QByteArray(R"({"sound":""})") << off << false;
    QTest::newRow("invalid date: time off")
        << QByteArray(R"({"time":true,"moment":"2026-02-30T10:00:00"})") << off << true;
    QTest::newRow("on as a string")
        << QByteArray(R"({"time":"yes","moment":"2026-12-24T16:59:00"})") << reminder(false, eve, false, false, 0, ring) << true;
}

void TestNotebookState::readsReminderSafely()
{
    QFETCH(QByteArray, json);
    QFETCH(ClockSettings, expected);
    QFETCH(bool, problem);
    QStringList problems;
    QVERIFY(sameReminder(NotebookState::reminderFromJson(QJsonDocument::fromJson(json).object(), &problems), expected));
    QCOMPARE(!problems.isEmpty(), problem);
    problems.clear();
    const ClockSettings back = NotebookState::reminderFromJson(NotebookState::reminderToJson(expected), &problems);
    QVERIFY(sameReminder(back, expected) && problems.isEmpty());
}

void TestNotebookState::findsEachRecordsNote_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<Notes>("notes");
    QTest::addColumn<QList<int>>("opacities"); // per record; 10 is the default

    const Notes three{note(key(1), "A", 5), note(key(2), "B", 6), note(key(3), "C", 7)};
    QTest::newRow("same order") << Records{text("A"), text("B"), text("C")} << three << QList<int>{5, 6, 7};
    QTest::newRow("reordered: by unique name") << Records{text("C"), text("A"), text("B")} << three << QList<int>{7, 5, 6};
    QTest::newRow("one renamed at its place: the others still found")
        << Records{text("A"), text("B2"), text("C")} << three << QList<int>{5, 10, 7};
    QTest::newRow("inserted at the front: shifted, found by name")
        << Records{text("New"), text("A"), text("B"), text("C")} << three << QList<int>{10, 5, 6, 7};
    QTest::newRow("record gone: its note is left")
        << Records{text("A"), text("C")} << three << QList<int>{5, 7};
    const Notes twins{note(key(1), "Todo", 5), note(key(2), "Todo", 6)};
    QTest::newRow("same names at their places") << Records{text("Todo"), text("Todo")} << twins << QList<int>{5, 6};
    QTest::newRow("same names moved: by place, then the one left")
        << Records{text("X"), text("Todo"), text("Todo")} << twins << QList<int>{10, 6, 5};
    QTest::newRow("same names all moved: no guessing")
        << Records{text("X"), text("Y"), text("Todo"), text("Todo")} << twins << QList<int>{10, 10, 10, 10};
    const Notes files{note("notes/aa.not", "Old name", 5), note("notes/bb.not", "B", 6), note(key(3), "T", 8)};
    QTest::newRow("file-bound: by path, renamed and moved")
        << Records{file("B", "notes/bb.not"), text("T"), file("New name", "notes/aa.not")} << files << QList<int>{6, 8, 5};
    QTest::newRow("a text tab never takes a file's note")
        << Records{text("Old name"), text("B"), text("T")} << files << QList<int>{10, 10, 8};
    QTest::newRow("a file the notes do not know") << Records{file("B", "notes/cc.not")} << files << QList<int>{10};
    const Notes handMade{note("x", "A", 5)};
    QTest::newRow("a key not made here matches no text tab") << Records{text("A")} << handMade << QList<int>{10};
}

void TestNotebookState::findsEachRecordsNote()
{
    QFETCH(Records, records);
    QFETCH(Notes, notes);
    QFETCH(QList<int>, opacities);
    const Notes matched = NotebookState::match(records, notes);
    QList<int> actual;
    for (const NotebookState::Note &n : matched)
        actual << n.opacity;
    QCOMPARE(actual, opacities);
}

void TestNotebookState::bindKeepsKeysAndWriteRoundTrips()
{
    const Records records{text("Shopping"), file("Work", "notes/0a1b.not"), text("Ideas")};
    NotebookState state;
    state.keepNewNotes = false;
    state.lastRun = QDateTime(QDate(2026, 12, 8), QTime(18, 40, 1, 250), Qt::UTC);
    state.window = {QRect(1320, 40, 600, 550), true};
    state.notes = Notes(3);
    state.notes[0].readOnly = true;
    state.notes[0].updated = QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC);
    state.notes[1].hasReminder = true;
    state.notes[1].reminder = reminder(true, QDateTime(QDate(2026, 12, 24), QTime(16, 59)), true, true, 30, "r.mp3");
    state.notes[1].missed = true;
    state.notes[2].keepOnTop = true;
    state.notes[2].opacity = 6;
    state.bind(records);
    QCOMPARE(state.notes.at(1).key, QStringLiteral("notes/0a1b.not"));
    // Kept at the next bind; a copied note sharing its key gets a new one.
    const QString first = state.notes.at(0).key;
    state.notes[2].key = first;
    state.bind(records);
    QCOMPARE(state.notes.at(0).key, first);
    QVERIFY(state.notes.at(2).key != first);

    QTemporaryDir dir;
    const QString path = NotebookStateFile::pathIn(dir.path());
    QVERIFY(NotebookStateFile::save(path, state, true).ok);
    const NotebookStateFile::LoadResult loaded = NotebookStateFile::load(path);
    QCOMPARE(loaded.status, NotebookStateFile::Loaded);
    QCOMPARE(loaded.state.keepNewNotes, false);
    QCOMPARE(loaded.state.lastRun, state.lastRun);
    QCOMPARE(loaded.state.window, state.window);
    // Reordered on disk since: each record still finds its own note.
    const Records moved{records.at(2), records.at(1), records.at(0)};
    const Notes matched = NotebookState::match(moved, loaded.state.notes);
    QVERIFY(matched.at(0).sameSettings(state.notes.at(2)));
    QVERIFY(matched.at(1).sameSettings(state.notes.at(1)));
    QVERIFY(matched.at(2).sameSettings(state.notes.at(0)));
    QCOMPARE(matched.at(2).updated, state.notes.at(0).updated);
}

void TestNotebookState::damagedFileGivesDefaultsAndIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("keepNewNotes");
    QTest::addColumn<QList<int>>("opacities"); // for records A, B

    const QByteArray good = R"({"version":1,"keepNewNotes":false,"order":["k0000000000000001","k0000000000000002"],
        "notes":{"k0000000000000001":{"name":"A","opacity":6},"k0000000000000002":{"name":"B","opacity":7}}})";
    const int loaded = NotebookStateFile::Loaded;
    const int damaged = NotebookStateFile::Damaged;
    QTest::newRow("whole") << good << loaded << false << QList<int>{6, 7};
    QTest::newRow("truncated") << good.left(good.size() - 20) << damaged << true << QList<int>{10, 10};
    QTest::newRow("garbage") << QByteArray("\x00\xff\x13garbage", 10) << damaged << true << QList<int>{10, 10};
    QByteArray wrong = good;
    wrong.replace(R"("opacity":6)", R"("opacity":"high")");
    QTest::newRow("one field of the wrong type") << wrong << damaged << false << QList<int>{10, 7};
    QByteArray notNote = good;
    notNote.replace(R"({"name":"A","opacity":6})", "17");
    QTest::newRow("a note that is not an object") << notNote << damaged << false << QList<int>{10, 7};
    QByteArray future = good;
    future.replace(R"("version":1)", R"("version":2)");
    QTest::newRow("a newer version: read, kept aside") << future << damaged << false << QList<int>{6, 7};
    QByteArray gone = good;
    gone.replace(R"("name":"B")", R"("name":"Deleted")");
    QTest::newRow("a note whose record is gone") << gone << loaded << false << QList<int>{6, 10};
}

void TestNotebookState::damagedFileGivesDefaultsAndIsKeptAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(bool, keepNewNotes);
    QFETCH(QList<int>, opacities);

    QTemporaryDir dir;
    const QString path = NotebookStateFile::pathIn(dir.path());
    QVERIFY(writeAll(path, bytes));
    const NotebookStateFile::LoadResult loaded = NotebookStateFile::load(path);
    QCOMPARE(int(loaded.status), status);
    QCOMPARE(loaded.state.keepNewNotes, keepNewNotes);
    QList<int> actual;
    for (const NotebookState::Note &n : NotebookState::match({text("A"), text("B")}, loaded.state.notes))
        actual << n.opacity;
    QCOMPARE(actual, opacities);
    QVERIFY(loaded.writable);
    if (status == NotebookStateFile::Loaded) {
        QVERIFY(loaded.message.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
        return;
    }
    QVERIFY(!loaded.error.isEmpty());
    QVERIFY(loaded.message.contains(loaded.damagedCopyPath));
    QVERIFY(loaded.damagedCopyPath.startsWith(path + ".damaged-"));
    QCOMPARE(readAll(loaded.damagedCopyPath), bytes);
    // A second damaged load keeps the first copy.
    const NotebookStateFile::LoadResult again = NotebookStateFile::load(path);
    QVERIFY(again.damagedCopyPath != loaded.damagedCopyPath);
    QCOMPARE(readAll(loaded.damagedCopyPath), bytes);
}

void TestNotebookState::refusedOrFailedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = NotebookStateFile::pathIn(dir.path());
    QCOMPARE(NotebookStateFile::load(path).status, NotebookStateFile::Missing);
    NotebookState state;
    QVERIFY(NotebookStateFile::save(path, state, true).ok);
    const QByteArray before = readAll(path);
    state.keepNewNotes = false;

    QStringList asked;
    const auto refuse = [&asked](const QString &p) { return asked << p, false; };
    const NotebookStateFile::SaveResult refused = NotebookStateFile::save(path, state, true, refuse);
    QVERIFY(!refused.ok);
    QCOMPARE(asked, QStringList{path});
    QCOMPARE(readAll(path), before);
    // A file where its folder should be: the error comes back.
    QVERIFY(!NotebookStateFile::save(path + "/x.json", state, true).error.isEmpty());

    // Neither a FIFO nor a directory is read or written over.
    for (const QString &odd : {dir.filePath("fifo"), dir.filePath("folder")}) {
        QVERIFY(odd.endsWith("fifo") ? ::mkfifo(QFile::encodeName(odd).constData(), 0600) == 0 : QDir().mkdir(odd));
        const NotebookStateFile::LoadResult loaded = NotebookStateFile::load(odd);
        QCOMPARE(loaded.status, NotebookStateFile::Unreadable);
        QVERIFY(!loaded.writable);
        QVERIFY(!loaded.message.isEmpty());
    }
    QVERIFY(writeAll(path, QByteArray(NotebookStateFile::MaxBytes + 1, ' ')));
    QCOMPARE(NotebookStateFile::load(path).status, NotebookStateFile::Unreadable);
}

void TestNotebookState::mergeKeepsNewerNoteAndLocalWindow()
{
    const QDateTime t0(QDate(2026, 12, 1), QTime(10, 0), Qt::UTC);
    NotebookState local;
    local.window = {QRect(1, 2, 300, 400), false};
    local.notes = {note("notes/a.not", "A", 5), note("notes/b.not", "B", 5), note("notes/c.not", "C", 5)};
    local.notes[0].updated = t0.addSecs(60);
    local.notes[1].updated = t0;
    NotebookState other = local;
    other.window = {QRect(9, 9, 500, 500), true};
    other.notes = {note("notes/b.not", "B", 8), note("notes/a.not", "A", 8), note("notes/c.not", "C", 8),
                   note("notes/d.not", "D", 9)};
    other.notes[0].updated = t0.addSecs(1);
    other.notes[1].updated = t0;
    const NotebookState merged = NotebookState::merge(local, other);
    QCOMPARE(merged.window, local.window);
    QStringList got;
    for (const NotebookState::Note &n : merged.notes)
        got << n.key + QLatin1Char('=') + QString::number(n.opacity);
    // a: local newer; b: theirs newer; c: neither dated, local kept; d: only theirs.
    QCOMPARE(got, (QStringList{"notes/a.not=5", "notes/b.not=8", "notes/c.not=5", "notes/d.not=9"}));
}

void TestNotebookState::windowStaysPerComputer()
{
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", dir.filePath("state").toUtf8());
    QVERIFY(QDir().mkpath(dir.filePath("book/sub")));
    const QString local = NotebookStateFile::localPath(dir.filePath("book"));
    QVERIFY(local.startsWith(dir.filePath("state/velmonote/")));
    QCOMPARE(NotebookStateFile::localPath(dir.filePath("book/sub/..")), local);
    QVERIFY(NotebookStateFile::localPath(dir.filePath("book/sub")) != local);

    NotebookState state;
    state.window = {QRect(10, 20, 600, 550), true};
    state.lastRun = QDateTime(QDate(2026, 12, 8), QTime(18, 0), Qt::UTC);
    state.notes = {note("notes/a.not", "A", 6)};
    const QString shared = NotebookStateFile::pathIn(dir.filePath("book"));
    QVERIFY(NotebookStateFile::save(shared, state, false).ok);
    QVERIFY(NotebookStateFile::saveLocal(local, state, dir.filePath("book")).ok);

    const NotebookStateFile::LoadResult fromShared = NotebookStateFile::load(shared);
    QCOMPARE(fromShared.status, NotebookStateFile::Loaded);
    QVERIFY(!fromShared.state.window.geometry.isValid());
    QVERIFY(!fromShared.state.lastRun.isValid());
    QCOMPARE(fromShared.state.notes.size(), 1);
    const NotebookStateFile::LoadResult fromLocal = NotebookStateFile::load(local);
    QCOMPARE(fromLocal.status, NotebookStateFile::Loaded);
    QCOMPARE(fromLocal.state.window, state.window);
    QCOMPARE(fromLocal.state.lastRun, state.lastRun);
    QVERIFY(fromLocal.state.notes.isEmpty());
    qunsetenv("XDG_STATE_HOME");
}

QTEST_APPLESS_MAIN(TestNotebookState)
#include "tst_notebookstate.moc"
