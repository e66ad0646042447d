// Every picture the program names under ":/img/" is embedded and loads, and
// every embedded picture is one the build lists.

#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

class TestResources : public QObject
{
    Q_OBJECT
private slots:
    void everyNamedPictureLoads_data();
    void everyNamedPictureLoads();
    void everyListedPictureIsEmbedded();
};

void TestResources::everyNamedPictureLoads_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("namedIn");
    // Scan the program's sources (not the tests) for the names they use.
    const QRegularExpression name(QStringLiteral(":/img/[A-Za-z0-9_.-]+\\.(png|jpg)"));
    QSet<QString> seen;
    const QString root = QStringLiteral(VELMO_SOURCE_DIR);
    for (const char *folder : {"app", "common", "notebook", "editing", "desknote", "skin", "capture"}) {
        QDirIterator it(root + QLatin1Char('/') + QLatin1String(folder), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile source(file);
            QVERIFY(source.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(source.readAll());
            for (const auto &match : name.globalMatch(text)) {
                const QString path = match.captured(0);
                if (!seen.contains(path)) {
                    seen.insert(path);
                    QTest::newRow(qPrintable(path)) << path << file.mid(root.size() + 1);
                }
            }
        }
    }
    QVERIFY2(seen.size() >= 20, "the scan found too few picture names to be right");
}

void TestResources::everyNamedPictureLoads()
{
    QFETCH(QString, path);
    QFETCH(QString, namedIn);
    QVERIFY2(QFileInfo::exists(path), qPrintable(path + QLatin1String(" named in ") + namedIn + QLatin1String(" is not embedded")));
    QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path + QLatin1String(" does not load")));
    QVERIFY(image.width() >= 16 && image.height() >= 16);
}

void TestResources::everyListedPictureIsEmbedded()
{
    const QStringList listed = QStringLiteral(VELMO_PICTURES).split(QLatin1Char(','));
    QCOMPARE(listed.size(), 49);
    QStringList embedded;
    QDirIterator it(QStringLiteral(":/img"));
    while (it.hasNext())
        embedded << it.next().section(QLatin1Char('/'), -1);
    for (const QString &picture : listed) {
        QVERIFY2(embedded.contains(picture), qPrintable(picture));
        QVERIFY2(!QImage(QStringLiteral(":/img/") + picture).isNull(), qPrintable(picture));
    }
}

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
