#include "imagesuffixrule.h"

#include <QtTest>

class TestImageSuffixRule : public QObject
{
    Q_OBJECT
private slots:
    void appliesFilterSuffix_data();
    void appliesFilterSuffix();
};

void TestImageSuffixRule::appliesFilterSuffix_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    const QString png = QStringLiteral("PNG(*.png)");
    const QString jpg = QStringLiteral("JPG(*.jpg)");
    const QString bmp = QStringLiteral("BMP(*.bmp)");
    QTest::newRow("bare name, JPG") << "/p/shot" << jpg << "/p/shot.jpg" << QByteArray("jpg");
    QTest::newRow("right suffix kept") << "/p/shot.png" << png << "/p/shot.png" << QByteArray("png");
    // A known suffix typed by the user, in any case, is kept and names the
    // format, whatever the filter.
    QTest::newRow("typed .JPG kept") << "/p/shot.JPG" << jpg << "/p/shot.JPG" << QByteArray("jpg");
    QTest::newRow("typed .jpg under PNG filter") << "/p/cap.jpg" << png << "/p/cap.jpg" << QByteArray("jpg");
    QTest::newRow("typed .jpeg") << "/p/cap.jpeg" << png << "/p/cap.jpeg" << QByteArray("jpg");
    QTest::newRow("typed .Png under BMP filter") << "/p/a.Png" << bmp << "/p/a.Png" << QByteArray("png");
    QTest::newRow("typed .BMP under JPG filter") << "/p/a.BMP" << jpg << "/p/a.BMP" << QByteArray("bmp");
    QTest::newRow("dotted name, no suffix") << "/p/v1.2" << png << "/p/v1.2.png" << QByteArray("png");
    QTest::newRow("unknown suffix gets the filter's") << "/p/a.gif" << jpg << "/p/a.gif.jpg" << QByteArray("jpg");
    QTest::newRow("bmp kept") << "/p/a.bmp" << bmp << "/p/a.bmp" << QByteArray("bmp");
    // Ends in the letters without a dot: nothing is appended and the name
    // names no format, so the filter's format is written.
    QTest::newRow("letters without dot, PNG") << "/p/shotpng" << png << "/p/shotpng" << QByteArray("png");
    QTest::newRow("letters without dot, JPG") << "/p/xjpg" << jpg << "/p/xjpg" << QByteArray("jpg");
    QTest::newRow("suffix naming no format") << "/p/x.notbmp" << bmp << "/p/x.notbmp" << QByteArray("bmp");
    QTest::newRow("cancelled stays empty") << QString() << png << QString() << QByteArray("png");
    QTest::newRow("cancelled, no filter") << QString() << QString() << QString() << QByteArray();
    QTest::newRow("unknown filter: name kept") << "/p/shot" << "GIF(*.gif)" << "/p/shot" << QByteArray();
}

void TestImageSuffixRule::appliesFilterSuffix()
{
    QFETCH(QString, chosen);
    QFETCH(QString, filter);
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    const QString applied = ImageSuffixRule::apply(chosen, filter);
    QCOMPARE(applied, name);
    QCOMPARE(ImageSuffixRule::format(applied, filter), format);
}

QTEST_GUILESS_MAIN(TestImageSuffixRule)
#include "tst_imagesuffixrule.moc"
