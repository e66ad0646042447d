// Writing tab.dat: exact bytes, equality with what QDataStream writes at the
// stream versions of earlier Qt releases, and failing devices.

#include "storetestsupport.h"

#include <QDataStream>
#include <QTest>

using namespace StoreTest;

namespace {

// The store written field by field through a QDataStream set to version.
QByteArray throughDataStream(const TabStoreData &data, int version)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(version);
    out << qint32(data.records.size() + 1);
    for (const TabRecord &r : data.records) {
        out << r.name << r.fromFile << r.pathOrText << r.onScreen;
        if (r.onScreen)
            out << r.geometry;
    }
    out << data.skinPath;
    return bytes;
}

TabStoreData largeStore()
{
    TabStoreData data;
    for (int i = 0; i < 30; ++i)
        data.records.append(textRecord(QStringLiteral("tab %1").arg(i), QString(20000, QChar(u'a' + i % 26))));
    data.skinPath = QStringLiteral("./skin/a.png");
    return data;
}

} // namespace

class TabStoreWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void writesHandWrittenBytes_data()
    {
        QTest::addColumn<TabStoreData>("data");
        QTest::addColumn<QByteArray>("expected");
        for (const Vector &v : vectors())
            QTest::newRow(v.name) << v.data << v.bytes;
    }

    void writesHandWrittenBytes()
    {
        QFETCH(TabStoreData, data);
        QFETCH(QByteArray, expected);
        QCOMPARE(encode(data).toHex(' '), expected.toHex(' '));
    }

    void matchesDataStreamOfEarlierVersions_data()
    {
        writesHandWrittenBytes_data();
        QTest::newRow("600 K store") << largeStore() << QByteArray();
    }

    // A store written by a build on an older Qt reads the same, and the other way round.
    void matchesDataStreamOfEarlierVersions()
    {
        QFETCH(TabStoreData, data);
        const QByteArray written = encode(data);
        for (int version : {int(QDataStream::Qt_4_0), int(QDataStream::Qt_4_8), int(QDataStream::Qt_5_0),
                            int(QDataStream::Qt_5_15), int(QDataStream::Qt_6_0)}) {
            QVERIFY2(written == throughDataStream(data, version), qPrintable(QString::number(version)));
        }
    }

    void writesAtDevicePosition()
    {
        QByteArray bytes("HEAD");
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadWrite);
        buffer.seek(4);
        QVERIFY(TabStoreWriter::write(&buffer, vectors().at(2).data));
        QCOMPARE(bytes, QByteArray("HEAD") + vectors().at(2).bytes);
    }

    // Every point at which the device can fill up must turn into a failure.
    void reportsFullDevice_data()
    {
        QTest::addColumn<TabStoreData>("data");
        QTest::newRow("small store") << vectors().at(4).data;
        QTest::newRow("600 K store") << largeStore();
    }

    void reportsFullDevice()
    {
        QFETCH(TabStoreData, data);
        const QByteArray full = encode(data);
        QList<qint64> capacities;
        const qint64 step = full.size() > 1000 ? 65521 : 1;
        for (qint64 c = 0; c < full.size(); c += step)
            capacities.append(c);
        capacities.append(full.size() - 1);

        for (qint64 capacity : capacities) {
            FullAfterDevice device(capacity);
            QString error;
            QVERIFY2(!TabStoreWriter::write(&device, data, &error), qPrintable(QString::number(capacity)));
            QCOMPARE(error, QStringLiteral("device full"));
            QCOMPARE(device.written(), full.left(capacity));
        }
        FullAfterDevice roomy(full.size());
        QVERIFY(TabStoreWriter::write(&roomy, data));
        QCOMPARE(roomy.written(), full);
    }

    void refusesDeviceNotOpenForWriting()
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QString error;
        QVERIFY(!TabStoreWriter::write(&buffer, TabStoreData(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(bytes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TabStoreWriterTest)
#include "tst_tabstorewriter.moc"
