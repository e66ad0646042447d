#include "skinlist.h"

#include <QtTest>

class TestSkinList : public QObject
{
    Q_OBJECT
private slots:
    void splitsEntries_data();
    void splitsEntries();
    void readsTheListFile();
    void missingListIsEmptyAndNotCreated();
};

void TestSkinList::splitsEntries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("two names") << "a.jpg/b.jpg" << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("final line break") << "a.jpg/b.jpg\n" << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("windows line breaks") << "a.jpg\r\n/b.jpg\r\n" << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("blanks around names") << " a.jpg /\tb.jpg " << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("blanks inside a name stay") << "my skin.jpg" << QStringList{"my skin.jpg"};
    QTest::newRow("slash at the end leaves an empty entry") << "a.jpg/" << QStringList{"a.jpg", ""};
    QTest::newRow("two slashes in a row") << "a.jpg//b.jpg" << QStringList{"a.jpg", "", "b.jpg"};
    QTest::newRow("empty text is one empty entry") << "" << QStringList{""};
    QTest::newRow("names are case-sensitive") << "A.JPG/a.jpg" << QStringList{"A.JPG", "a.jpg"};
    QTest::newRow("chinese names") << "樱花.jpg/海洋.png\n" << QStringList{"樱花.jpg", "海洋.png"};
}

void TestSkinList::splitsEntries()
{
    QFETCH(QString, text);
    QFETCH(QStringList, entries);
    QCOMPARE(SkinList::parse(text), entries);
}

void TestSkinList::readsTheListFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("skin.cfg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("樱花.jpg/ocean.jpg\n").toLocal8Bit());
    file.close();
    QCOMPARE(SkinList::read(path), (QStringList{QStringLiteral("樱花.jpg"), QStringLiteral("ocean.jpg")}));
    QCOMPARE(SkinList::listFile(), QStringLiteral("./skin/skin.cfg"));
}

void TestSkinList::missingListIsEmptyAndNotCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("skin.cfg"));
    QVERIFY(SkinList::read(path).isEmpty());
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_APPLESS_MAIN(TestSkinList)
#include "tst_skinlist.moc"
