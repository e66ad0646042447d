// Saving that fails is never silent and never loses the old tab.dat: a full
// disk at quit and at autosave, and a damaged store found at start-up.

#include "dialog.h"
#include "notebook.h"
#include "tabstorefile.h"
#include "xdgautostartentry.h"

#include <QAction>
#include <QLabel>
#include <QTextEdit>
#include <QtTest>

namespace {
bool run(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

/// A working directory on a tiny tmpfs, so that a large save fills it.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &dir) : m_dir(dir)
    {
        m_mounted = run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                  QStringLiteral("size=64k"), QStringLiteral("tmpfs"), dir});
    }
    ~SmallDisk()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {m_dir});
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_dir;
    bool m_mounted = false;
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

class TestSaveFailure : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void failedQuitWarnsThenSecondQuitEnds();
    void failedAutosaveWarnsOnceUntilASaveWorks();
    void damagedStoreIsKeptAndReported();
    void unreadableNoteFilesAreReported();
    void sessionEndSaveFailureIsShown();

private:
    Dialog *makeWindow();
    void addFixedTab(Dialog *w, const QString &name, const QString &text);
    QAction *quitAction(Dialog *w);
    QTemporaryDir *dir = nullptr;
    QString previous;
};

void TestSaveFailure::init()
{
    previous = QDir::currentPath();
    dir = new QTemporaryDir;
}

void TestSaveFailure::cleanup()
{
    QDir::setCurrent(previous);
    delete dir;
}

Dialog *TestSaveFailure::makeWindow()
{
    QDir::setCurrent(dir->path());
    return new Dialog(std::make_unique<XdgAutoStartEntry>(QDir::tempPath() + QLatin1String("/velmo-test-config")));
}

void TestSaveFailure::addFixedTab(Dialog *w, const QString &name, const QString &text)
{
    w->notes()->addTab(name);
    w->notes()->currentEditor()->setPlainText(text);
    w->notes()->fixCurrent();
}

QAction *TestSaveFailure::quitAction(Dialog *w)
{
    for (QAction *action : w->findChildren<QAction *>()) {
        if (action->text() == QStringLiteral("退出"))
            return action;
    }
    return nullptr;
}

void TestSaveFailure::failedQuitWarnsThenSecondQuitEnds()
{
    SmallDisk disk(dir->path());
    if (!disk.mounted())
        QSKIP("a full disk needs a small tmpfs and mounting is not permitted here");
    std::unique_ptr<Dialog> w(makeWindow());
    const QByteArray before = readFile(dir->path() + QLatin1String("/tab.dat"));
    QCOMPARE(before, QByteArray::fromHex("00000001"));
    // 100 000 characters are 200 KB in tab.dat: more than the disk holds.
    addFixedTab(w.get(), QStringLiteral("big"), QString(100000, QLatin1Char('x')));
    quitAction(w.get())->trigger();
    QVERIFY(!w->isQuitting());
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("tipLabel"))->text(), QStringLiteral("保存失败"));
    QCOMPARE(readFile(dir->path() + QLatin1String("/tab.dat")), before);
    // No temporary file left (the small side file beside it may have fitted).
    QStringList files = QDir(dir->path()).entryList(QDir::Files);
    files.removeAll(QStringLiteral("notebook-state.json"));
    QCOMPARE(files, QStringList{QStringLiteral("tab.dat")});
    // The user was told; a second quit ends the program without the changes.
    quitAction(w.get())->trigger();
    QVERIFY(w->isQuitting());
    QCOMPARE(readFile(dir->path() + QLatin1String("/tab.dat")), before);
    w.reset();
}

void TestSaveFailure::failedAutosaveWarnsOnceUntilASaveWorks()
{
    SmallDisk disk(dir->path());
    if (!disk.mounted())
        QSKIP("a full disk needs a small tmpfs and mounting is not permitted here");
    std::unique_ptr<Dialog> w(makeWindow());
    auto *label = w->findChild<QLabel *>(QStringLiteral("tipLabel"));
    auto *autosaveTimer = w->findChild<QTimer *>(QStringLiteral("autosaveTimer"));
    addFixedTab(w.get(), QStringLiteral("big"), QString(100000, QLatin1Char('x')));
    QVERIFY(autosaveTimer->isActive());  // fixing a tab schedules a save
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("自动保存失败"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(label->isHidden(), 10000);

    // The next failing autosave says nothing more.
    w->notes()->currentEditor()->insertPlainText(QStringLiteral("y"));
    QVERIFY(autosaveTimer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!autosaveTimer->isActive(), 10000);
    QTest::qWait(500);
    QVERIFY(label->isHidden());

    // A save that works clears the warning; the next failure is told again.
    w->notes()->unfixCurrent();
    QTRY_VERIFY_WITH_TIMEOUT(!autosaveTimer->isActive(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(TabStoreFile::load(dir->path() + QLatin1String("/tab.dat")).data.records.size(), 0, 10000);
    w->notes()->fixCurrent();
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("自动保存失败"), 10000);
}

void TestSaveFailure::damagedStoreIsKeptAndReported()
{
    // One whole record, then a second one cut off in the middle.
    TabStoreData data;
    TabRecord good;
    good.name = QStringLiteral("kept");
    good.pathOrText = QStringLiteral("<p>before the damage</p>");
    data.records << good << good;
    QByteArray bytes;
    {
        QFile f(dir->path() + QLatin1String("/tab.dat"));
        QVERIFY(TabStoreFile::save(f.fileName(), data).ok);
        bytes = readFile(f.fileName());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.left(bytes.size() - 30));
    }
    std::unique_ptr<Dialog> w(makeWindow());
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("tipLabel"))->text(), QStringLiteral("便签数据已损坏"));
    QCOMPARE(w->notes()->fixedTabs().size(), 1);
    QCOMPARE(w->notes()->fixedTabs().first().name, QStringLiteral("kept"));
    const QStringList copies = QDir(dir->path()).entryList({QStringLiteral("tab.dat.damaged-*")});
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readFile(dir->path() + QLatin1Char('/') + copies.first()), bytes.left(bytes.size() - 30));
    // Saving replaces tab.dat with what was kept; the copy stays.
    QCOMPARE(w->saveNotebook(), QString());
    QCOMPARE(TabStoreFile::load(dir->path() + QLatin1String("/tab.dat")).data.records.size(), 1);
    QVERIFY(QFileInfo::exists(dir->path() + QLatin1Char('/') + copies.first()));
}

void TestSaveFailure::unreadableNoteFilesAreReported()
{
    TabStoreData data;
    TabRecord missing;
    missing.name = QStringLiteral("gone");
    missing.fromFile = true;
    missing.pathOrText = dir->path() + QLatin1String("/nowhere/gone.not");
    data.records << missing;
    const QString store = dir->path() + QLatin1String("/tab.dat");
    QVERIFY(TabStoreFile::save(store, data).ok);
    const QByteArray before = readFile(store);
    std::unique_ptr<Dialog> w(makeWindow());
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("tipLabel"))->text(), QStringLiteral("有便签文件无法读取"));
    QCOMPARE(w->notes()->fixedTabs().size(), 0);
    // The record is written back as it was.
    QCOMPARE(w->saveNotebook(), QString());
    QCOMPARE(readFile(store), before);
}

void TestSaveFailure::sessionEndSaveFailureIsShown()
{
    // A folder where tab.dat should be: it cannot be read, so it is never written.
    QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("tab.dat")));
    std::unique_ptr<Dialog> w(makeWindow());
    auto *label = w->findChild<QLabel *>(QStringLiteral("tipLabel"));
    w->commitNotebook();
    QCOMPARE(label->text(), QStringLiteral("保存失败"));
    QVERIFY(!w->isQuitting());
    label->clear();
    w->quitForSessionEnd();
    QCOMPARE(label->text(), QStringLiteral("保存失败"));
    QVERIFY(w->isQuitting());
    QVERIFY(QFileInfo(dir->path() + QLatin1String("/tab.dat")).isDir());
}

QTEST_MAIN(TestSaveFailure)
#include "tst_savefailure.moc"
