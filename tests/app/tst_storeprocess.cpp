// The notebook across real processes: a run that edits and quits (through
// the tray, the panel's quit button or SIGTERM), the bytes it leaves in
// tab.dat, and a second run that finds everything again.
//
// The test binary is also the program under test: started with --child it
// builds the real main window (as velmonote does, session guard included) and
// plays a scripted user with real widget events.

#include "dialog.h"
#include "notebook.h"
#include "notewidget.h"
#include "sessionguard.h"
#include "xdgautostartentry.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {

void click(QWidget *window, const char *name)
{
    auto *button = window->findChild<QAbstractButton *>(QString::fromLatin1(name));
    if (!button)
        qFatal("no button %s", name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void addTab(Dialog &w, const QString &name, const QString &text)
{
    click(&w, "addButton");
    auto *edit = w.findChild<QLineEdit *>(QStringLiteral("nameEdit"));
    // Chinese arrives through the input method as committed text, not key events.
    edit->insert(name);
    click(&w, "nameOkButton");
    QTest::keyClicks(w.notes()->currentEditor(), text);
    w.notes()->currentEditor()->insertPlainText(QStringLiteral(" 便签"));
}

void fixFromPanel(Dialog &w)
{
    click(&w, "titleButton");
    auto *panel = w.findChild<QDialog *>(QStringLiteral("menuPanel"));
    QTRY_VERIFY_WITH_TIMEOUT(panel->isVisible(), 30000);
    click(panel, "fixedButton");
}

/// The scripted user of the first run.
void editNotebook(Dialog &w)
{
    // The quit rules of scratch tabs: new notes are not kept by themselves here.
    click(&w, "titleButton");
    auto *panel = w.findChild<QDialog *>(QStringLiteral("menuPanel"));
    QTRY_VERIFY(panel->isVisible());
    click(panel, "keepNewButton");
    addTab(w, QStringLiteral("一"), QStringLiteral("first note"));
    fixFromPanel(w);
    addTab(w, QStringLiteral("二"), QStringLiteral("second note"));
    fixFromPanel(w);
    click(&w, "stickButton");
    NoteWidget *note = w.notes()->noteList().first();
    // Moved once the window manager has placed it, so its placement cannot
    // arrive after the move and undo it.
    if (!QTest::qWaitForWindowExposed(note, 30000))
        qFatal("note not exposed");
    note->setGeometry(300, 240, 260, 280);
    addTab(w, QStringLiteral("三"), QStringLiteral("ordinary"));
}

void report(Dialog &w)
{
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const qint64 pinKey = QIcon(QStringLiteral(":/img/pin.png")).cacheKey();
    for (int i = 0; i < tabs->count(); ++i) {
        QTextEdit *editor = w.notes()->editorAt(i);
        const bool pinned = w.notes()->isFixed(editor);
        std::printf("tab|%s|%s|%s\n", qPrintable(tabs->tabText(i)), pinned ? "fixed" : "plain",
                    qPrintable(editor->toPlainText().left(40)));
        Q_UNUSED(pinKey);
    }
    for (NoteWidget *note : w.notes()->noteList()) {
        const QRect r(note->pos(), note->size());
        std::printf("note|%s|%d,%d,%d,%d|%s\n", qPrintable(note->getTitle()), r.x(), r.y(), r.width(),
                    r.height(), qPrintable(note->getTextEdit()->toPlainText()));
    }
    std::fflush(stdout);
}

int childMain(int argc, char **argv)
{
    // --child DIR SCENARIO
    QApplication app(argc, argv);
    QDir::setCurrent(QString::fromLocal8Bit(argv[2]));
    const QString scenario = QString::fromLatin1(argv[3]);
    Dialog w(std::make_unique<XdgAutoStartEntry>(QDir::currentPath() + QLatin1String("/config")));
    SessionGuard session;
    QObject::connect(&session, &SessionGuard::terminationRequested, &w, &Dialog::quitForSessionEnd);
    w.show();
    QTimer::singleShot(0, &w, [&] {
        // Waits on conditions, with bounds that a loaded machine under the
        // sanitizers does not reach.
        if (!QTest::qWaitForWindowExposed(&w, 30000))
            qFatal("main window not exposed");
        if (scenario == QLatin1String("report")) {
            for (NoteWidget *note : w.notes()->noteList()) {
                if (!QTest::qWaitForWindowExposed(note, 30000))
                    qFatal("note not exposed");
            }
            report(w);
            QCoreApplication::quit();
            return;
        }
        editNotebook(w);
        std::printf("ready\n");
        std::fflush(stdout);
        if (scenario == QLatin1String("tray")) {
            for (QAction *action : w.findChildren<QAction *>()) {
                if (action->text() == QStringLiteral("退出"))
                    action->trigger();
            }
        } else if (scenario == QLatin1String("panel")) {
            click(&w, "titleButton");
            click(w.findChild<QDialog *>(QStringLiteral("menuPanel")), "quitButton");
        }
        // "signal": wait for SIGTERM.
    });
    return app.exec();
}

// tab.dat as the format defines it, assembled by hand: big-endian qint32
// count, then per record name, fromFile, text, onScreen[, rect], then skin.
QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (24 - 8 * i)) & 0xff);
    return b;
}

QByteArray qstringBytes(const QString &s)
{
    if (s.isNull())
        return be32(0xffffffffu);
    QByteArray b = be32(quint32(s.size() * 2));
    for (QChar c : s) {
        b.append(char(c.unicode() >> 8));
        b.append(char(c.unicode() & 0xff));
    }
    return b;
}

struct Parsed
{
    QString name;
    QString text;
    bool onScreen = false;
    QRect rect;
};

/// Reads records by the format rules, independently of the program's reader.
bool parse(const QByteArray &bytes, QList<Parsed> *records, QString *skin)
{
    int at = 0;
    auto u32 = [&](quint32 *v) {
        if (at + 4 > bytes.size())
            return false;
        *v = (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16)
            | (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
        at += 4;
        return true;
    };
    auto str = [&](QString *s) {
        quint32 n;
        if (!u32(&n))
            return false;
        if (n == 0xffffffffu) {
            *s = QString();
            return true;
        }
        if (at + int(n) > bytes.size() || n % 2)
            return false;
        QString out;
        for (quint32 i = 0; i < n; i += 2)
            out.append(QChar(ushort((quint8(bytes[at + i]) << 8) | quint8(bytes[at + i + 1]))));
        at += int(n);
        *s = out;
        return true;
    };
    quint32 count;
    if (!u32(&count))
        return false;
    for (quint32 i = 1; i < count; ++i) {
        Parsed p;
        if (!str(&p.name) || at + 1 > bytes.size() || bytes[at++] != 0)  // fromFile false
            return false;
        if (!str(&p.text) || at + 1 > bytes.size())
            return false;
        p.onScreen = bytes[at++] == 1;
        if (p.onScreen) {
            quint32 l, t, r, b;
            if (!u32(&l) || !u32(&t) || !u32(&r) || !u32(&b))
                return false;
            p.rect = QRect(QPoint(int(l), int(t)), QPoint(int(r), int(b)));
        }
        records->append(p);
    }
    return str(skin) && at == bytes.size();
}

}

class TestStoreProcess : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWritesEmptyStore();
    void quitSavesAndNextRunRestores_data();
    void quitSavesAndNextRunRestores();

private:
    QProcess *startChild(const QString &dir, const QString &scenario);
    QStringList runReport(const QString &dir);
};

QProcess *TestStoreProcess::startChild(const QString &dir, const QString &scenario)
{
    auto *child = new QProcess(this);
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), dir, scenario});
    return child;
}

QStringList TestStoreProcess::runReport(const QString &dir)
{
    QProcess *child = startChild(dir, QStringLiteral("report"));
    child->waitForFinished(30000);
    if (child->state() != QProcess::NotRunning)
        return {};
    return QString::fromUtf8(child->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestStoreProcess::firstStartWritesEmptyStore()
{
    QTemporaryDir dir;
    const QStringList lines = runReport(dir.path());
    QCOMPARE(lines, QStringList{QStringLiteral("tab|便签首页|plain|")});
    QFile store(dir.path() + QLatin1String("/tab.dat"));
    QVERIFY(store.open(QIODevice::ReadOnly));
    QCOMPARE(store.readAll(), QByteArray::fromHex("00000001"));
}

void TestStoreProcess::quitSavesAndNextRunRestores_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::newRow("tray quit entry") << "tray";
    QTest::newRow("panel quit button") << "panel";
    QTest::newRow("SIGTERM") << "signal";
}

void TestStoreProcess::quitSavesAndNextRunRestores()
{
    QFETCH(QString, scenario);
    QTemporaryDir dir;
    QProcess *child = startChild(dir.path(), scenario);
    QVERIFY(child->waitForStarted());
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += child->readAllStandardOutput()).contains("ready")
                                 || child->state() == QProcess::NotRunning, 30000);
    QVERIFY2(output.contains("ready"), child->readAllStandardError().constData());
    if (scenario == QLatin1String("signal")) {
        QTest::qWait(300);
        const qint64 pid = child->processId();
        QVERIFY(pid > 0 && child->state() == QProcess::Running);
        ::kill(pid_t(pid), SIGTERM);
    }
    // waitForFinished() is false for a child that has already ended.
    QVERIFY(child->state() == QProcess::NotRunning || child->waitForFinished(30000));
    // A child that failed says why on its stderr (a sanitizer's report, say).
    QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0,
             qPrintable(QStringLiteral("exit status %1: %2")
                            .arg(child->exitCode())
                            .arg(QString::fromLocal8Bit(child->readAllStandardError()))));

    QFile store(dir.path() + QLatin1String("/tab.dat"));
    QVERIFY(store.open(QIODevice::ReadOnly));
    const QByteArray bytes = store.readAll();
    QList<Parsed> records;
    QString skin;
    QVERIFY2(parse(bytes, &records, &skin), bytes.left(64).toHex().constData());
    QCOMPARE(records.size(), 2);
    QVERIFY(skin.isNull());  // no skin chosen: a null string, ff ff ff ff
    QVERIFY(bytes.endsWith(QByteArray::fromHex("ffffffff")));
    QVERIFY(bytes.startsWith(be32(3)));
    QMap<QString, Parsed> byName;
    for (const Parsed &p : records)
        byName.insert(p.name, p);
    QVERIFY(byName.contains(QStringLiteral("一")));
    QVERIFY(byName.contains(QStringLiteral("二")));
    QVERIFY(!byName[QStringLiteral("一")].onScreen);
    QVERIFY(byName[QStringLiteral("一")].text.contains(QStringLiteral("first note")));
    QVERIFY(byName[QStringLiteral("二")].onScreen);
    QCOMPARE(byName[QStringLiteral("二")].rect, QRect(300, 240, 260, 280));
    // Rebuilt by hand from the format rules, the file is the same byte for byte.
    QByteArray expected = be32(3);
    for (const Parsed &p : records) {
        expected += qstringBytes(p.name) + QByteArray(1, '\0') + qstringBytes(p.text)
            + QByteArray(1, p.onScreen ? '\1' : '\0');
        if (p.onScreen)
            expected += be32(quint32(p.rect.left())) + be32(quint32(p.rect.top()))
                + be32(quint32(p.rect.right())) + be32(quint32(p.rect.bottom()));
    }
    expected += be32(0xffffffffu);
    QCOMPARE(bytes, expected);

    // The second run: fixed tabs after the home tab, the note where it was,
    // the ordinary tab gone.
    const QStringList lines = runReport(dir.path());
    QVERIFY2(lines.size() == 3, qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(lines.at(0), QStringLiteral("tab|便签首页|plain|"));
    QCOMPARE(lines.at(1), QStringLiteral("tab|一|fixed|first note 便签"));
    QCOMPARE(lines.at(2), QStringLiteral("note|二|300,240,260,280|second note 便签"));
}

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);
    QApplication app(argc, argv);
    TestStoreProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storeprocess.moc"
