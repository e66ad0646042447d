// Where the notebook lives: a prepared working directory is kept, anything
// else leads to the user's data folder (or --notebook DIR), laid out from the
// installed defaults without replacing what is there.

#include "notebookfolder.h"

#include <QtTest>

namespace {
void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(data);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
}

class TestNotebookFolder : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void choosesFolderAndLaysItOut_data();
    void choosesFolderAndLaysItOut();
    void findsInstalledOrBuildDefaults_data();
    void findsInstalledOrBuildDefaults();
    void startEntryRunsFolderProgramElseRunningOne();

private:
    QString expand(QString text) const { return text.replace(QLatin1String("$R"), m_root->path()); }
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_defaults;
};

void TestNotebookFolder::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_defaults = m_root->path() + QLatin1String("/defaults");
    writeFile(m_defaults + QLatin1String("/index.dat"), "default home");
    writeFile(m_defaults + QLatin1String("/index.en.dat"), "default english home");
    writeFile(m_defaults + QLatin1String("/skin/skin.cfg"), "a.jpg");
    writeFile(m_defaults + QLatin1String("/skin/a.jpg"), "jpeg");
    writeFile(m_defaults + QLatin1String("/ring/ring01.mp3"), "mp3");
    QFile::setPermissions(m_defaults + QLatin1String("/ring/ring01.mp3"), QFile::ReadOwner | QFile::ReadOther);
    QDir().mkpath(m_root->path() + QLatin1String("/cwd"));
    QDir().mkpath(m_root->path() + QLatin1String("/home"));
}

void TestNotebookFolder::choosesFolderAndLaysItOut_data()
{
    QTest::addColumn<QStringList>("arguments");   // after the program name
    QTest::addColumn<QStringList>("before");      // "path=content" written first ($R: the test root)
    QTest::addColumn<QString>("dataHome");        // $XDG_DATA_HOME
    QTest::addColumn<QString>("folder");          // expected; empty: none
    QTest::addColumn<bool>("laidOut");
    QTest::addColumn<QStringList>("after");       // "path=content" expected afterwards
    QTest::addColumn<QString>("error");           // part of the expected error; empty: none

    const QString data = QStringLiteral("$R/data/velmonote");
    QTest::newRow("prepared folder (index.dat) is kept untouched")
        << QStringList() << QStringList{"$R/cwd/index.dat=mine"} << "$R/data" << "$R/cwd" << false
        << QStringList{"$R/cwd/index.dat=mine", "$R/cwd/skin/skin.cfg=<missing>", "$R/data/velmonote/index.dat=<missing>"}
        << QString();
    QTest::newRow("prepared folder (tab.dat) is kept")
        << QStringList() << QStringList{"$R/cwd/tab.dat=notes"} << "$R/data" << "$R/cwd" << false
        << QStringList{"$R/cwd/index.dat=<missing>"} << QString();
    QTest::newRow("prepared folder (skin/) is kept")
        << QStringList() << QStringList{"$R/cwd/skin/x.jpg=x"} << "$R/data" << "$R/cwd" << false
        << QStringList{"$R/cwd/index.dat=<missing>"} << QString();
    QTest::newRow("any other folder: data folder created and filled")
        << QStringList() << QStringList{"$R/cwd/notes.txt=x"} << "$R/data" << data << true
        << QStringList{data + "/index.dat=default home", data + "/index.en.dat=default english home",
                       data + "/skin/skin.cfg=a.jpg", data + "/skin/a.jpg=jpeg", data + "/ring/ring01.mp3=mp3"}
        << QString();
    QTest::newRow("no XDG_DATA_HOME: ~/.local/share/velmonote")
        << QStringList() << QStringList() << QString() << "$R/home/.local/share/velmonote" << true
        << QStringList{"$R/home/.local/share/velmonote/index.dat=default home"} << QString();
    QTest::newRow("relative XDG_DATA_HOME is ignored")
        << QStringList() << QStringList() << "relative/data" << "$R/home/.local/share/velmonote" << true
        << QStringList{"$R/home/.local/share/velmonote/skin/a.jpg=jpeg"} << QString();
    QTest::newRow("user's files are never overwritten, missing ones added")
        << QStringList() << QStringList{data + "/index.dat=my home", data + "/tab.dat=my notes",
                                        data + "/skin/skin.cfg=b.jpg"}
        << "$R/data" << data << true
        << QStringList{data + "/index.dat=my home", data + "/tab.dat=my notes", data + "/skin/skin.cfg=b.jpg",
                       data + "/skin/a.jpg=jpeg", data + "/index.en.dat=default english home"}
        << QString();
    QTest::newRow("--notebook DIR, even from a prepared folder")
        << QStringList{"-Hide", "--notebook", "$R/mine"} << QStringList{"$R/cwd/index.dat=cwd"} << "$R/data"
        << "$R/mine" << true << QStringList{"$R/mine/index.dat=default home", "$R/data/velmonote/index.dat=<missing>"}
        << QString();
    QTest::newRow("--notebook=DIR relative to the working directory")
        << QStringList{"--notebook=sub/../book"} << QStringList() << "$R/data" << "$R/cwd/book" << true
        << QStringList{"$R/cwd/book/ring/ring01.mp3=mp3"} << QString();
    QTest::newRow("--notebook without a folder")
        << QStringList{"--notebook"} << QStringList() << "$R/data" << QString() << false
        << QStringList{"$R/data/velmonote/index.dat=<missing>"} << "needs a folder";
    QTest::newRow("--notebook that cannot be made")
        << QStringList{"--notebook", "$R/blocker/book"} << QStringList{"$R/blocker=a file"} << "$R/data"
        << QString() << false << QStringList() << "cannot create";
    QTest::newRow("data folder that cannot be made: stays in the working directory")
        << QStringList() << QStringList{"$R/blocker=a file"} << "$R/blocker" << "$R/cwd" << false
        << QStringList{"$R/cwd/index.dat=<missing>"} << "cannot create";
}

void TestNotebookFolder::choosesFolderAndLaysItOut()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, before);
    QFETCH(QString, dataHome);
    QFETCH(QString, folder);
    QFETCH(bool, laidOut);
    QFETCH(QStringList, after);
    QFETCH(QString, error);

    for (const QString &file : std::as_const(before)) {
        const int eq = file.indexOf(QLatin1Char('='));
        writeFile(expand(file.left(eq)), file.mid(eq + 1).toUtf8());
    }
    QStringList args{QStringLiteral("velmonote")};
    for (const QString &argument : std::as_const(arguments))
        args << expand(argument);

    const auto result = NotebookFolder::prepare(args, m_root->path() + QLatin1String("/cwd"), expand(dataHome),
                                                m_root->path() + QLatin1String("/home"), m_defaults);
    QCOMPARE(result.path, folder.isEmpty() ? QString() : expand(folder));
    QCOMPARE(result.laidOut, laidOut);
    if (error.isEmpty())
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    else
        QVERIFY2(result.error.contains(error), qPrintable(result.error));
    for (const QString &file : std::as_const(after)) {
        const int eq = file.indexOf(QLatin1Char('='));
        QCOMPARE(QString::fromUtf8(readFile(expand(file.left(eq)))), file.mid(eq + 1));
    }
    if (laidOut) // the copies are the user's to change, though installed files are read-only
        QVERIFY(QFileInfo(result.path + QLatin1String("/ring/ring01.mp3")).permissions() & QFile::WriteOwner);
}

void TestNotebookFolder::findsInstalledOrBuildDefaults_data()
{
    QTest::addColumn<QString>("program");   // folder of the executable
    QTest::addColumn<QString>("present");   // folder holding index.dat; empty: none
    QTest::addColumn<QString>("expected");

    QTest::newRow("installed: bin/../share/velmonote") << "$R/usr/bin" << "$R/usr/share/velmonote" << "$R/usr/share/velmonote";
    QTest::newRow("build tree: app/../defaultdata") << "$R/build/app" << "$R/build/defaultdata" << "$R/build/defaultdata";
    QTest::newRow("neither") << "$R/loose" << QString() << QString();
}

void TestNotebookFolder::findsInstalledOrBuildDefaults()
{
    QFETCH(QString, program);
    QFETCH(QString, present);
    QFETCH(QString, expected);
    QDir().mkpath(expand(program));
    if (!present.isEmpty())
        writeFile(expand(present) + QLatin1String("/index.dat"), "home");
    QCOMPARE(NotebookFolder::defaultsFolder(expand(program)), expected.isEmpty() ? QString() : expand(expected));
}

void TestNotebookFolder::startEntryRunsFolderProgramElseRunningOne()
{
    const QString dir = m_root->path() + QLatin1String("/cwd");
    const QString installed = QStringLiteral("/usr/bin/velmonote");
    QCOMPARE(NotebookFolder::startProgram(dir, installed), installed);
    writeFile(dir + QLatin1String("/velmonote"), "program");
    QCOMPARE(NotebookFolder::startProgram(dir, installed), dir + QLatin1String("/velmonote"));
}

QTEST_GUILESS_MAIN(TestNotebookFolder)
#include "tst_notebookfolder.moc"
