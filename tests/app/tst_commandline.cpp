// The command line: which arguments run the notebook and which end the start
// with the help, the version or a usage error; the real program answering
// them with no display and no notebook; the help and the man page listing the
// same options.

#include "commandline.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void decidesActionAndStatus_data();
    void decidesActionAndStatus();
    void programAnswersWithoutDisplayOrNotebook_data();
    void programAnswersWithoutDisplayOrNotebook();
    void helpListsTheManPageOptions();
};

void TestCommandLine::decidesActionAndStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("exitCode");
    const int run = int(CommandLine::Action::Run);
    const int help = int(CommandLine::Action::Help);
    const int version = int(CommandLine::Action::Version);
    const int usage = int(CommandLine::Action::Usage);
    QTest::newRow("nothing") << QStringList{} << run << 0;
    QTest::newRow("-Hide") << QStringList{"-Hide"} << run << 0;
    QTest::newRow("-Capture") << QStringList{"-Capture"} << run << 0;
    QTest::newRow("-Hide not first") << QStringList{"--sync-folder", "-Hide"} << run << 0;
    QTest::newRow("--notebook DIR") << QStringList{"--notebook", "/tmp/n", "--sync-folder"} << run << 0;
    QTest::newRow("--notebook=DIR") << QStringList{"-Hide", "--notebook=/tmp/n"} << run << 0;
    QTest::newRow("folder named like an option") << QStringList{"--notebook", "--help"} << run << 0;
    QTest::newRow("--notebook without folder") << QStringList{"--notebook"} << run << 0;
    QTest::newRow("Qt's options") << QStringList{"-platform", "offscreen", "--style", "Fusion", "-reverse",
                                                 "-qmljsdebugger=port:1234"} << run << 0;
    QTest::newRow("--help") << QStringList{"--help"} << help << 0;
    QTest::newRow("--help after others") << QStringList{"-Hide", "--help"} << help << 0;
    QTest::newRow("--version") << QStringList{"--version"} << version << 0;
    QTest::newRow("help wins over version") << QStringList{"--version", "--help"} << help << 0;
    QTest::newRow("other spellings of -Hide, ignored") << QStringList{"-hide", "-HIDE", "-h"} << run << 0;
    QTest::newRow("a word, ignored") << QStringList{"x", "-Hide"} << run << 0;
    QTest::newRow("unknown option") << QStringList{"--bogus"} << usage << 2;
    QTest::newRow("two dashes on -Hide") << QStringList{"--Hide"} << usage << 2;
    QTest::newRow("unknown beside help") << QStringList{"--help", "--x"} << usage << 2;
    QTest::newRow("Qt flag given a value") << QStringList{"--reverse=1"} << usage << 2;
    QTest::newRow("Qt option with two dashes") << QStringList{"--platform", "offscreen"} << run << 0;
}

void TestCommandLine::decidesActionAndStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(int, exitCode);
    const CommandLine::Outcome outcome = CommandLine::parse(QStringList{"velmonote"} + arguments);
    QCOMPARE(int(outcome.action), action);
    QCOMPARE(outcome.exitCode, exitCode);
}

void TestCommandLine::programAnswersWithoutDisplayOrNotebook_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");  // what stdout starts with
    QTest::addColumn<QString>("err");  // what stderr starts with
    const QString help = QStringLiteral("Usage: velmonote ");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << help << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "velmonote " VELMO_PROJECT_VERSION "\n" << "";
    QTest::newRow("unknown") << QStringList{"-Capture", "--frobnicate"} << 2 << ""
                             << "velmonote: unknown argument '--frobnicate'\n\n" + help;
}

void TestCommandLine::programAnswersWithoutDisplayOrNotebook()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    // No display of any kind: a start that reached QApplication would abort.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.path());
    program.start(QStringLiteral(VELMO_BINARY_DIR "/app/velmonote"), arguments);
    QVERIFY(program.waitForFinished(60000));
    const QString stdOut = QString::fromUtf8(program.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
    if (!out.isEmpty())
        QVERIFY(stdOut == CommandLine::helpText() || stdOut == CommandLine::versionText());
    // No notebook was looked for, made or locked.
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestCommandLine::helpListsTheManPageOptions()
{
    // The help's option column: "  -h, --help   text" gives -h and --help.
    QStringList helpOptions;
    for (const QString &line : CommandLine::helpText().split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("  -")))
            continue;
        for (const QString &word : line.trimmed().section(QLatin1String("  "), 0, 0).split(QRegularExpression(QStringLiteral("[ ,]+"))))
            if (word.startsWith(QLatin1Char('-')))
                helpOptions << word;
    }
    // The man page's: the tag line after each .TP of the OPTIONS section.
    QFile page(QStringLiteral(VELMO_SOURCE_DIR "/packaging/velmonote.1"));
    QVERIFY(page.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList manOptions;
    bool inOptions = false;
    bool tag = false;
    for (const QString &line : QString::fromUtf8(page.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".SH")))
            inOptions = line == QLatin1String(".SH OPTIONS");
        if (inOptions && tag) {
            QString plain = line.section(QLatin1Char(' '), 1);
            plain.remove(QLatin1Char('\\')).remove(QLatin1Char('"'));
            for (const QString &word : plain.split(QRegularExpression(QStringLiteral("[ ,]+"))))
                if (word.startsWith(QLatin1Char('-')))
                    manOptions << word;
        }
        tag = inOptions && line == QLatin1String(".TP");
    }
    helpOptions.sort();
    manOptions.sort();
    QVERIFY(helpOptions.contains(QStringLiteral("--sync-folder")));
    QCOMPARE(helpOptions, manOptions);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
