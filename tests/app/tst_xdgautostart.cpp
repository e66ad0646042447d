#include "xdgautostartentry.h"

#include <QtTest>

class TestXdgAutoStart : public QObject
{
    Q_OBJECT
private slots:
    void quotesExecArguments_data();
    void quotesExecArguments();
    void entryFollowsWorkingDirectory();
    void entryPassesDesktopFileValidate_data();
    void entryPassesDesktopFileValidate();
    void existingEntryIsLeftUntouched();
    void removingMissingEntryIsQuiet();
    void unwritableFolderChangesNothing();
    void usesXdgConfigHome();
};

void TestXdgAutoStart::quotesExecArguments_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain path") << "/home/ann/VelmoNote/velmonote" << "/home/ann/VelmoNote/velmonote";
    QTest::newRow("space") << "/home/ann/My Notes/velmonote" << "\"/home/ann/My Notes/velmonote\"";
    QTest::newRow("dollar and quote") << "/tmp/a$b\"c/velmonote" << "\"/tmp/a\\$b\\\"c/velmonote\"";
    QTest::newRow("backslash") << "/tmp/a\\b/velmonote" << "\"/tmp/a\\\\b/velmonote\"";
    QTest::newRow("percent is doubled") << "/tmp/100%/velmonote" << "/tmp/100%%/velmonote";
    QTest::newRow("chinese needs no quotes") << "/home/ann/便签/velmonote" << "/home/ann/便签/velmonote";
}

void TestXdgAutoStart::quotesExecArguments()
{
    QFETCH(QString, argument);
    QFETCH(QString, quoted);
    QCOMPARE(XdgAutoStartEntry::quoteExecArgument(argument), quoted);
}

void TestXdgAutoStart::entryFollowsWorkingDirectory()
{
    const QString text = QString::fromUtf8(
        XdgAutoStartEntry::entryText(QStringLiteral("/srv/notes/velmonote"), QStringLiteral("/srv/notes")));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Exec=/srv/notes/velmonote -Hide")));
    QVERIFY(lines.contains(QStringLiteral("Path=/srv/notes")));
    QVERIFY(lines.contains(QStringLiteral("Terminal=false")));
    // A quoted Exec value also goes through the string escapes: one backslash becomes four.
    const QString escaped = QString::fromUtf8(
        XdgAutoStartEntry::entryText(QStringLiteral("/a\\b c/velmonote"), QStringLiteral("/a\\b c")));
    QVERIFY(escaped.contains(QStringLiteral("Exec=\"/a\\\\\\\\b c/velmonote\" -Hide\n")));
    QVERIFY(escaped.contains(QStringLiteral("Path=/a\\\\b c\n")));
}

void TestXdgAutoStart::entryPassesDesktopFileValidate_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << "notes";
    QTest::newRow("spaces") << "my notes";
    QTest::newRow("awkward characters") << "a$b'c (2) 100%";
    QTest::newRow("chinese") << "我的便签";
}

void TestXdgAutoStart::entryPassesDesktopFileValidate()
{
    QFETCH(QString, folder);
    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString work = config.path() + QLatin1Char('/') + folder;
    XdgAutoStartEntry entry(config.path());
    QVERIFY(!entry.exists());
    QVERIFY(entry.create(work + QLatin1String("/velmonote"), work));
    QVERIFY(entry.exists());
    QCOMPARE(entry.entryPath(), config.path() + QLatin1String("/autostart/velmonote.desktop"));

    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {entry.entryPath()});
    QVERIFY(validate.waitForFinished(10000));
    const QByteArray output = validate.readAllStandardOutput() + validate.readAllStandardError();
    QVERIFY2(validate.exitCode() == 0 && !output.contains("error"), output.constData());
}

void TestXdgAutoStart::existingEntryIsLeftUntouched()
{
    QTemporaryDir config;
    QVERIFY(QDir(config.path()).mkpath(QStringLiteral("autostart")));
    XdgAutoStartEntry entry(config.path());
    QFile existing(entry.entryPath());
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("[Desktop Entry]\nType=Application\nName=Elsewhere\nExec=/opt/other -Hide\n");
    existing.close();
    QVERIFY(entry.create(QStringLiteral("/home/x/velmonote"), QStringLiteral("/home/x")));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QVERIFY(existing.readAll().contains("Exec=/opt/other -Hide"));
    existing.close();
    QVERIFY(entry.remove());
    QVERIFY(!QFileInfo::exists(entry.entryPath()));
}

void TestXdgAutoStart::removingMissingEntryIsQuiet()
{
    QTemporaryDir config;
    XdgAutoStartEntry entry(config.path());
    QVERIFY(entry.remove());
    QVERIFY(!entry.exists());
}

void TestXdgAutoStart::unwritableFolderChangesNothing()
{
    QTemporaryDir config;
    // A file where the autostart folder should be: nothing can be created there.
    QFile blocker(config.path() + QLatin1String("/autostart"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    XdgAutoStartEntry entry(config.path());
    QVERIFY(!entry.create(QStringLiteral("/x/velmonote"), QStringLiteral("/x")));
    QVERIFY(!entry.exists());
    QVERIFY(QFileInfo(blocker.fileName()).isFile());
}

void TestXdgAutoStart::usesXdgConfigHome()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    XdgAutoStartEntry entry;
    QCOMPARE(entry.entryPath(), config.path() + QLatin1String("/autostart/velmonote.desktop"));
    // A relative value is invalid by the base directory rules and falls back to ~/.config.
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    QCOMPARE(entry.entryPath(), QDir::homePath() + QLatin1String("/.config/autostart/velmonote.desktop"));
    qunsetenv("XDG_CONFIG_HOME");
}

QTEST_GUILESS_MAIN(TestXdgAutoStart)
#include "tst_xdgautostart.moc"
