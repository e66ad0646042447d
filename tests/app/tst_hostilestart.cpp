// Real velmonote processes against what an unlucky or hostile desktop hands
// them: a notebook that cannot be sure it is alone, a runtime folder too deep
// for a socket, stores that are no files or absurdly large or deep, and an X
// server that ends under the running program. Each case runs on an X server
// of its own, so the sanitizer build runs the hostile stores too.

#include "privatexserver.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QLockFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString program = QStringLiteral(VELMO_BINARY_DIR "/app/velmonote");

struct Note
{
    QString name;
    QString html;
    bool onScreen = false;
    qint32 edges[4] = {}; // left, top, right, bottom as stored
};

bool writeStore(const QString &path, const QList<Note> &notes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out << qint32(notes.size() + 1);
    for (const Note &note : notes) {
        out << note.name << false << note.html << note.onScreen;
        if (note.onScreen)
            out << note.edges[0] << note.edges[1] << note.edges[2] << note.edges[3];
    }
    out << QString();
    return out.status() == QDataStream::Ok;
}

/// The records of a store written as above (text records only), or -1 records when it does not read.
QList<Note> readStore(const QString &path)
{
    QList<Note> notes;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return notes;
    QDataStream in(&file);
    qint32 count = 0;
    in >> count;
    for (qint32 i = 1; i < count && in.status() == QDataStream::Ok; ++i) {
        Note note;
        bool fromFile = false;
        in >> note.name >> fromFile >> note.html >> note.onScreen;
        if (note.onScreen)
            in >> note.edges[0] >> note.edges[1] >> note.edges[2] >> note.edges[3];
        notes << note;
    }
    return notes;
}

/// Visible top-level windows titled title on x, at least minWidth wide.
QStringList windows(const PrivateXServer &x, const QString &title, int minWidth)
{
    QString ids;
    x.run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                      QLatin1Char('^') + title + QLatin1Char('$')}, &ids);
    QStringList found;
    for (const QString &id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QString info;
        x.run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, &info);
        const auto width = QRegularExpression(QStringLiteral("Width: (\\d+)")).match(info);
        if (width.hasMatch() && width.captured(1).toInt() >= minWidth)
            found << id;
    }
    return found;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match = QRegularExpression(QStringLiteral("VmRSS:\\s+(\\d+)")).match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}
}

class TestHostileStart : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void refusesWhenNotSureItIsAlone();
    void deepRuntimeFolderStillOneNotebook();
    void hostileStoreStillStarts_data();
    void hostileStoreStillStarts();
    void lastTypedTextSurvivesEndOfDisplay();

private:
    QProcess *start(const PrivateXServer &x, const QString &runtime = QString());
    QString lockPathFor(const QString &runtime) const;

    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<QTemporaryDir> runtime;
    QList<QProcess *> processes;
};

void TestHostileStart::init()
{
    work = std::make_unique<QTemporaryDir>();
    runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(work->isValid() && runtime->isValid());
    QFile index(work->filePath(QStringLiteral("index.dat")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("<p>home</p>");
}

void TestHostileStart::cleanup()
{
    for (QProcess *process : processes) {
        process->kill();
        process->waitForFinished(5000);
        delete process;
    }
    processes.clear();
    // The store may be a FIFO: nothing may try to read it on the way out.
    ::unlink(QFile::encodeName(work->filePath(QStringLiteral("tab.dat"))).constData());
    work.reset();
    runtime.reset();
}

QProcess *TestHostileStart::start(const PrivateXServer &x, const QString &runtimeDir)
{
    auto *process = new QProcess;
    QProcessEnvironment env = x.environment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.isEmpty() ? runtime->path() : runtimeDir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), work->filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(work->path());
    process->start(program, {});
    processes << process;
    return process;
}

QString TestHostileStart::lockPathFor(const QString &runtimeDir) const
{
    // The running notebook's lock: named after the canonical working folder.
    const QByteArray key = QCryptographicHash::hash(QFileInfo(work->path()).canonicalFilePath().toUtf8(),
                                                    QCryptographicHash::Sha1).toHex().left(16);
    return runtimeDir + QLatin1String("/velmonote-") + QString::fromLatin1(key) + QLatin1String(".lock");
}

void TestHostileStart::refusesWhenNotSureItIsAlone()
{
    PrivateXServer x({QStringLiteral("1024x768x24")});
    QVERIFY(x.isRunning());
    // A live process (this one) holds the lock and never answers.
    QLockFile holder(lockPathFor(runtime->path()));
    QVERIFY(holder.tryLock(0));

    QProcess *refused = start(x);
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += refused->readAllStandardError()).contains("not starting"), 20000);
    QVERIFY2(errors.contains("did not answer"), errors.constData());
    // It says so on the screen too, and ends with a failure once that is read.
    QTRY_VERIFY_WITH_TIMEOUT(windows(x, QStringLiteral("Velmo Note"), 1).size() == 1, 10000);
    const QString box = windows(x, QStringLiteral("Velmo Note"), 1).first();
    QVERIFY(x.run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), box,
                                              QStringLiteral("key"), QStringLiteral("Return")}));
    QVERIFY(refused->waitForFinished(10000));
    QCOMPARE(refused->exitStatus(), QProcess::NormalExit);
    QCOMPARE(refused->exitCode(), 1);
    // No notebook ran: the store was never made.
    QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("tab.dat"))));
}

void TestHostileStart::deepRuntimeFolderStillOneNotebook()
{
    PrivateXServer x({QStringLiteral("1024x768x24")});
    QVERIFY(x.isRunning());
    // Too deep for a socket address (108 bytes).
    QString deep = runtime->path();
    while (deep.size() < 130)
        deep += QLatin1String("/deeper");
    QVERIFY(QDir().mkpath(deep));
    QVERIFY(QFile::setPermissions(deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QProcess *first = start(x, deep);
    QTRY_COMPARE_WITH_TIMEOUT(windows(x, QStringLiteral("Velmo Note"), 400).size(), 1, 20000);
    QProcess *second = start(x, deep);
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(windows(x, QStringLiteral("Velmo Note"), 400).size(), 1);
}

void TestHostileStart::hostileStoreStillStarts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("refusal"); // what stderr names; empty when the store is read
    QTest::newRow("FIFO") << "fifo" << "not a regular file";
    QTest::newRow("link to /dev/urandom") << "urandom" << "not a regular file";
    QTest::newRow("larger than the limit") << "huge" << "larger than";
    QTest::newRow("100,000 empty tabs") << "many" << "";
    QTest::newRow("tables and lists 3000 deep") << "deep" << "";
    QTest::newRow("note near INT_MIN") << "far" << "";
}

void TestHostileStart::hostileStoreStillStarts()
{
    QFETCH(QString, kind);
    QFETCH(QString, refusal);
    const QString path = work->filePath(QStringLiteral("tab.dat"));
    const QByteArray native = QFile::encodeName(path);
    QList<Note> notes;
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
    } else if (kind == QLatin1String("urandom")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), path));
    } else if (kind == QLatin1String("huge")) {
        notes << Note{QStringLiteral("kept"), QStringLiteral("<p>kept</p>")};
        QVERIFY(writeStore(path, notes));
        QCOMPARE(::truncate(native.constData(), 65 * 1024 * 1024), 0); // sparse: no disk used
    } else if (kind == QLatin1String("many")) {
        for (int i = 0; i < 100000; ++i)
            notes << Note{QString::number(i), QString()};
        QVERIFY(writeStore(path, notes));
    } else if (kind == QLatin1String("deep")) {
        const QString tables = QStringLiteral("<table><tr><td>").repeated(3000) + QStringLiteral("deep table")
            + QStringLiteral("</td></tr></table>").repeated(3000);
        const QString lists = QStringLiteral("<ul><li>").repeated(3000) + QStringLiteral("deep list")
            + QStringLiteral("</li></ul>").repeated(3000);
        notes << Note{QStringLiteral("tables"), tables, true, {100, 100, 399, 299}}
              << Note{QStringLiteral("lists"), lists};
        QVERIFY(writeStore(path, notes));
    } else {
        notes << Note{QStringLiteral("far"), QStringLiteral("<p>far</p>"), true,
                      {INT_MIN, INT_MIN, INT_MIN + 219, INT_MIN + 179}};
        QVERIFY(writeStore(path, notes));
    }
    struct stat before;
    QCOMPARE(::lstat(native.constData(), &before), 0);

    PrivateXServer x({QStringLiteral("1024x768x24")});
    QVERIFY(x.isRunning());
    QProcess *notebook = start(x);
    QTRY_COMPARE_WITH_TIMEOUT(windows(x, QStringLiteral("Velmo Note"), 400).size(), 1, 20000);
    if (kind == QLatin1String("many")) {
        // Sane memory: one editor per tab took well over a gigabyte.
        const qint64 rss = residentKiB(notebook->processId());
        QVERIFY2(rss > 0 && rss < 400 * 1024, qPrintable(QString::number(rss)));
    }
    if (kind == QLatin1String("far"))
        QTRY_COMPARE_WITH_TIMEOUT(windows(x, QStringLiteral("far"), 1).size(), 1, 10000);

    // Ending the session saves, or for a refused store leaves it alone.
    notebook->terminate();
    QVERIFY(notebook->waitForFinished(20000));
    QCOMPARE(notebook->exitStatus(), QProcess::NormalExit);
    QCOMPARE(notebook->exitCode(), 0);
    const QByteArray errors = notebook->readAllStandardError();
    struct stat after;
    QCOMPARE(::lstat(native.constData(), &after), 0);
    if (!refusal.isEmpty()) {
        QVERIFY2(errors.contains(refusal.toUtf8()), errors.constData());
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(after.st_ino, before.st_ino);
        return;
    }
    // Written back whole (tabs first, then the notes on the screen).
    QStringList savedNames;
    QStringList names;
    for (const Note &note : readStore(path))
        savedNames << note.name;
    for (const Note &note : std::as_const(notes))
        names << note.name;
    savedNames.sort();
    names.sort();
    QCOMPARE(savedNames, names);
}

void TestHostileStart::lastTypedTextSurvivesEndOfDisplay()
{
    const QString path = work->filePath(QStringLiteral("tab.dat"));
    QVERIFY(writeStore(path, {Note{QStringLiteral("memo"), QStringLiteral("<p>old</p>"), true, {100, 100, 399, 299}}}));
    auto x = std::make_unique<PrivateXServer>(QStringList{QStringLiteral("1024x768x24")});
    QVERIFY(x->isRunning());
    QProcess *notebook = start(*x);
    QTRY_VERIFY2_WITH_TIMEOUT(windows(*x, QStringLiteral("memo"), 1).size() == 1,
                              qPrintable(QString::number(notebook->state()) + QString::fromLocal8Bit(notebook->readAllStandardError())), 20000);
    if (notebook->state() != QProcess::Running)
        qWarning() << notebook->readAllStandardError();
    // Typed into the desktop note, then the X server ends at once: well
    // inside the two seconds before the next save.
    QVERIFY(x->run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("250"), QStringLiteral("200"),
                                               QStringLiteral("click"), QStringLiteral("1")}));
    QVERIFY(x->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+End")}));
    QVERIFY(x->run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral(" last words")}));
    x->stop();
    QVERIFY(notebook->waitForFinished(20000));
    QVERIFY(notebook->readAllStandardError().contains("X11 connection broke"));
    const QList<Note> saved = readStore(path);
    QCOMPARE(saved.size(), 1);
    QVERIFY2(saved.first().html.contains(QLatin1String("old last words")), qPrintable(saved.first().html));
}

QTEST_GUILESS_MAIN(TestHostileStart)
#include "tst_hostilestart.moc"
