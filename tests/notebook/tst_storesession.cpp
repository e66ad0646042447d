// The store session without a window: what loading tells the user, which
// stores this run refuses to write, autosave failures told once, and the rule
// that a quit whose save failed needs a second quit.

#include "storesession.h"
#include "storetestsupport.h"
#include "tabstorefile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace StoreTest;

namespace {
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

TabStoreData oneNote(const QString &text)
{
    TabStoreData d;
    d.records = {textRecord(QStringLiteral("n"), text)};
    return d;
}

/// Saves for real unless full is set, then fails as a full disk does.
struct FullableDisk
{
    std::atomic<bool> full{true};
    std::atomic<int> saves{0};

    StoreSaver::SaveFunction function()
    {
        return [this](const QString &path, const TabStoreData &data) {
            TabStoreFile::SaveResult result;
            if (full)
                result.error = QStringLiteral("No space left on device");
            else
                result = TabStoreFile::save(path, data);
            ++saves;
            return result;
        };
    }
};
}

class TestStoreSession : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensStores_data();
    void opensStores();
    void unreadableStoreIsNeverWritten();
    void reportsNoteFilesKeptAsideAndStoreNotCreated();
    void sessionSaveReportsFailure();
    void autosaveFailureIsToldOnceUntilASaveWorks();
    void quitAfterFailedSaveNeedsSecondRequest();
    void failedQuitSaveThatLosesNothingQuitsAtOnce_data();
    void failedQuitSaveThatLosesNothingQuitsAtOnce();

private:
    StoreSession::Source source();
    QString storePath() const { return m_dir->path() + QLatin1String("/tab.dat"); }

    QTemporaryDir *m_dir = nullptr;
    QList<TabStoreData> m_restored;
    TabStoreData m_notes;
    int m_keptAside = 0;
    QStringList m_noteFileErrors;
};

void TestStoreSession::init()
{
    m_dir = new QTemporaryDir;
    m_restored.clear();
    m_notes = TabStoreData();
    m_keptAside = 0;
    m_noteFileErrors.clear();
}

void TestStoreSession::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

StoreSession::Source TestStoreSession::source()
{
    StoreSession::Source s;
    s.restore = [this](const TabStoreData &data) {
        m_restored.append(data);
        return m_keptAside;
    };
    s.snapshot = [this] { return m_notes; };
    s.writeNoteFiles = [this] { return m_noteFileErrors; };
    return s;
}

void TestStoreSession::opensStores_data()
{
    QTest::addColumn<QByteArray>("bytes");   // null: no file at all
    QTest::addColumn<int>("restoredRecords");
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("detailStart");
    QTest::addColumn<QByteArray>("bytesAfter");

    const QByteArray emptyStore = hex("00000001");
    auto encode = [](const QString &skin) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        TabStoreData d = oneNote(QStringLiteral("<p>a</p>"));
        d.records.append(d.records.first());
        d.skinPath = skin;
        TabStoreWriter::write(&buffer, d);
        return bytes;
    };
    const QByteArray twoNotes = encode(QStringLiteral("./skin/ocean.png"));
    // The second record cut off in its text.
    const QByteArray cut = encode(QString()).chopped(30);

    QTest::newRow("missing") << QByteArray() << 0 << QString() << QString() << QString() << emptyStore;
    QTest::newRow("empty file") << QByteArray("") << 0 << QString() << QString() << QString() << emptyStore;
    QTest::newRow("two notes and a skin") << twoNotes << 2 << QStringLiteral("./skin/ocean.png")
                                          << QString() << QString() << twoNotes;
    QTest::newRow("damaged") << cut << 1 << QString() << QStringLiteral("便签数据已损坏")
                             << QStringLiteral("tab.dat 已损坏，已读出损坏前的便签，原文件备份为 ") << cut;
}

void TestStoreSession::opensStores()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, restoredRecords);
    QFETCH(QString, skin);
    QFETCH(QString, label);
    QFETCH(QString, detailStart);
    QFETCH(QByteArray, bytesAfter);
    if (!bytes.isNull())
        QVERIFY(writeFile(storePath(), bytes));

    StoreSession session(storePath());
    const StoreSession::Opened opened = session.open(source());
    QCOMPARE(m_restored.size(), 1);
    QCOMPARE(m_restored.first().records.size(), restoredRecords);
    QCOMPARE(opened.skinPath, skin);
    QCOMPARE(opened.notice.label, label);
    QVERIFY2(opened.notice.detail.startsWith(detailStart), qPrintable(opened.notice.detail));
    QCOMPARE(opened.notice.detail.isEmpty(), detailStart.isEmpty());
    QVERIFY(session.isWritable());
    QCOMPARE(readFile(storePath()), bytesAfter);

    // What the owner holds now is what a save writes.
    m_notes = oneNote(QStringLiteral("<p>saved</p>"));
    QCOMPARE(session.saveNow(), QString());
    QCOMPARE(TabStoreFile::load(storePath()).data.records.first().pathOrText, QStringLiteral("<p>saved</p>"));
}

void TestStoreSession::unreadableStoreIsNeverWritten()
{
    // A tab.dat that cannot be opened as a file (here a folder in its place).
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("tab.dat")));
    StoreSession session(storePath());
    const StoreSession::Opened opened = session.open(source());
    QVERIFY(opened.notice.label.isEmpty());
    QVERIFY2(opened.notice.detail.startsWith(QStringLiteral("无法读取 tab.dat（")), qPrintable(opened.notice.detail));
    QVERIFY(!session.isWritable());

    m_notes = oneNote(QStringLiteral("<p>new</p>"));
    const QString refused = QStringLiteral("启动时无法读取 tab.dat，为保护原文件未保存");
    QCOMPARE(session.saveNow(), refused);
    QSignalSpy failed(&session, &StoreSession::autosaveFailed);
    session.autosave();
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().value<StoreSession::Notice>().detail, QStringLiteral("便签自动保存失败：") + refused);
    QVERIFY(QFileInfo(storePath()).isDir());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
}

void TestStoreSession::reportsNoteFilesKeptAsideAndStoreNotCreated()
{
    m_keptAside = 2;
    StoreSession session(storePath());
    StoreSession::Opened opened = session.open(source());
    QCOMPARE(opened.notice.label, QStringLiteral("有便签文件无法读取"));
    QCOMPARE(opened.notice.detail, QStringLiteral("2 个固定便签的便签文件无法读取，未能打开；它们的记录会原样保存"));

    // A first start where tab.dat cannot be created.
    m_keptAside = 0;
    StoreSession nowhere(m_dir->path() + QLatin1String("/missing-folder/tab.dat"));
    opened = nowhere.open(source());
    QCOMPARE(opened.notice.label, QStringLiteral("无法创建 tab.dat"));
    QVERIFY2(opened.notice.detail.startsWith(QStringLiteral("无法创建 tab.dat（")), qPrintable(opened.notice.detail));
    QVERIFY(nowhere.isWritable()); // nothing there to protect: a later save may still work
}

void TestStoreSession::sessionSaveReportsFailure()
{
    FullableDisk disk;
    StoreSession session(storePath(), disk.function());
    session.open(source());
    m_notes = oneNote(QStringLiteral("<p>a</p>"));
    StoreSession::Notice notice = session.saveForSession();
    QCOMPARE(notice.label, QStringLiteral("保存失败"));
    QCOMPARE(notice.detail, QStringLiteral("便签保存失败：No space left on device"));
    disk.full = false;
    QVERIFY(session.saveForSession().isEmpty());
    QCOMPARE(TabStoreFile::load(storePath()).data.records.size(), 1);
}

void TestStoreSession::autosaveFailureIsToldOnceUntilASaveWorks()
{
    FullableDisk disk;
    StoreSession session(storePath(), disk.function());
    session.open(source());
    QSignalSpy failed(&session, &StoreSession::autosaveFailed);
    m_notes = oneNote(QStringLiteral("<p>a</p>"));

    QTest::ignoreMessage(QtWarningMsg, "autosave failed: No space left on device");
    session.autosave();
    QTRY_COMPARE(failed.size(), 1);
    const auto notice = failed.first().first().value<StoreSession::Notice>();
    QCOMPARE(notice.label, QStringLiteral("自动保存失败"));
    QCOMPARE(notice.detail, QStringLiteral("便签自动保存失败：No space left on device"));

    session.autosave();
    QTRY_COMPARE(disk.saves.load(), 2);
    QTest::qWait(50); // the outcome arrives as a queued call
    QCOMPARE(failed.size(), 1);

    disk.full = false;
    session.autosave();
    QTRY_COMPARE(disk.saves.load(), 3);
    QTRY_COMPARE(TabStoreFile::load(storePath()).data.records.size(), 1);
    disk.full = true;
    session.autosave();
    QTRY_COMPARE(failed.size(), 2);

    // A note file that fails is told like a failed store.
    disk.full = false;
    m_noteFileErrors = {QStringLiteral("/x/a.not: Permission denied")};
    session.autosave();
    QTRY_COMPARE(disk.saves.load(), 5);
    QTRY_COMPARE(failed.size(), 2); // still told: no save worked in between
}

void TestStoreSession::quitAfterFailedSaveNeedsSecondRequest()
{
    FullableDisk disk;
    StoreSession session(storePath(), disk.function());
    session.open(source());
    const QByteArray before = readFile(storePath());
    m_notes = oneNote(QStringLiteral("<p>a</p>"));
    session.scheduleAutosave();

    StoreSession::QuitOutcome first = session.quitRequested();
    QCOMPARE(first.answer, StoreSession::QuitAnswer::Stay);
    QCOMPARE(first.notice.label, QStringLiteral("保存失败"));
    QCOMPARE(first.notice.detail, QStringLiteral("便签保存失败：No space left on device\n再次退出将不保存修改。"));
    QCOMPARE(readFile(storePath()), before);

    StoreSession::QuitOutcome second = session.quitRequested();
    QCOMPARE(second.answer, StoreSession::QuitAnswer::Quit);

    // A quit whose save works ends at once and says nothing.
    disk.full = false;
    StoreSession working(storePath(), disk.function());
    working.open(source());
    const StoreSession::QuitOutcome quit = working.quitRequested();
    QCOMPARE(quit.answer, StoreSession::QuitAnswer::Quit);
    QVERIFY(quit.notice.isEmpty());
    QCOMPARE(TabStoreFile::load(storePath()).data.records.first().pathOrText, QStringLiteral("<p>a</p>"));
}

void TestStoreSession::failedQuitSaveThatLosesNothingQuitsAtOnce_data()
{
    QTest::addColumn<bool>("changeTold");
    QTest::addColumn<QString>("textAtQuit");
    QTest::newRow("no change since start") << false << QStringLiteral("<p>on disk</p>");
    QTest::newRow("changed back to what is on disk") << true << QStringLiteral("<p>on disk</p>");
    QTest::newRow("changed") << true << QStringLiteral("<p>new</p>");
}

void TestStoreSession::failedQuitSaveThatLosesNothingQuitsAtOnce()
{
    QFETCH(bool, changeTold);
    QFETCH(QString, textAtQuit);
    QVERIFY(TabStoreFile::save(storePath(), oneNote(QStringLiteral("<p>on disk</p>"))).ok);
    FullableDisk disk;
    StoreSession session(storePath(), disk.function());
    session.open(source());
    if (changeTold)
        session.scheduleAutosave();
    m_notes = oneNote(textAtQuit);
    const bool losesEdits = textAtQuit != QLatin1String("<p>on disk</p>");
    const StoreSession::QuitOutcome quit = session.quitRequested();
    QCOMPARE(quit.answer == StoreSession::QuitAnswer::Stay, losesEdits);
    QCOMPARE(quit.notice.isEmpty(), !losesEdits);
}

QTEST_GUILESS_MAIN(TestStoreSession)
#include "tst_storesession.moc"
