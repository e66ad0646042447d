#include "clipboardpayload.h"

#include <QMimeData>
#include <QtTest>

class TestClipboardPayload : public QObject
{
    Q_OBJECT
private slots:
    void offersTypes_data();
    void offersTypes();
    void pictureComesBackExactly();
};

void TestClipboardPayload::offersTypes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QByteArray>("bytes");
    const QStringList plain = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING", "TEXT"};
    QTest::newRow("note text, UTF-8 for Wayland") << "Grüße 笔记" << QString() << plain << "text/plain;charset=utf-8"
                                                  << QString("Grüße 笔记").toUtf8();
    QTest::newRow("note text, X name") << "abc" << QString() << plain << "UTF8_STRING" << QByteArray("abc");
    QTest::newRow("rich text keeps its html") << "bold" << "<b>bold</b>" << plain + QStringList{"text/html"}
                                              << "text/html" << QByteArray("<b>bold</b>");
    QTest::newRow("a type not offered") << "abc" << QString() << plain << "image/png" << QByteArray();
    QTest::newRow("nothing") << QString() << QString() << QStringList() << "text/plain" << QByteArray();
}

void TestClipboardPayload::offersTypes()
{
    QFETCH(QString, text);
    QFETCH(QString, html);
    QMimeData data;
    if (!text.isNull())
        data.setText(text);
    if (!html.isNull())
        data.setHtml(html);
    // What Qt's own widgets add for themselves is no use to other programs.
    data.setData(QStringLiteral("application/x-qt-richtext"), "internal");
    const ClipboardPayload payload = ClipboardPayload::fromMimeData(data);
    QTEST(payload.types(), "types");
    QFETCH(QString, asked);
    QTEST(payload.data(asked), "bytes");
    QCOMPARE(payload.isEmpty(), text.isNull());
}

void TestClipboardPayload::pictureComesBackExactly()
{
    // Neighbouring pixels differ, so any loss or shift in the encoding shows.
    QImage picture(97, 61, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 7 + y * 3) & 0xff, ((x * 13) ^ (y * 5)) & 0xff, (y * 11) & 0xff));
    QMimeData data;
    data.setImageData(picture);
    const ClipboardPayload payload = ClipboardPayload::fromMimeData(data);
    QCOMPARE(payload.types().value(0), QStringLiteral("image/png"));
    const QByteArray png = payload.data(QStringLiteral("image/png"));
    QVERIFY(png.startsWith("\x89PNG"));
    QCOMPARE(QImage::fromData(png, "png").convertToFormat(QImage::Format_RGB32), picture);
}

QTEST_GUILESS_MAIN(TestClipboardPayload)
#include "tst_clipboardpayload.moc"
