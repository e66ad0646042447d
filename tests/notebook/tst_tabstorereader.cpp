// Reading tab.dat: hand-written bytes, round trips, and damaged input of
// every kind the reader must survive without guessing or over-allocating.

#include "storetestsupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <sys/resource.h>

#include <climits>
#include <new>

using namespace StoreTest;

namespace {

// Bytes a record takes on disk, worked out from the layout (not from the reader).
qint64 recordSize(const TabRecord &r)
{
    auto str = [](const QString &s) { return 4 + (s.isNull() ? 0 : 2 * qint64(s.size())); };
    return str(r.name) + 1 + str(r.pathOrText) + 1 + (r.onScreen ? 16 : 0);
}

TabStoreData threeRecords(int bigTextChars)
{
    TabStoreData d;
    d.records = {textRecord(QStringLiteral("one"), QStringLiteral("<p>1</p>")),
                 onScreen(fileRecord(QStringLiteral("two"), QStringLiteral("/n/2.not")), QRect(1, 2, 3, 4)),
                 textRecord(QStringLiteral("three"), QString(bigTextChars, QLatin1Char('z')))};
    d.skinPath = QStringLiteral("./skin/x.png");
    return d;
}

enum DeviceKind { RandomAccess, SequentialByBytes, SequentialBy5 };

TabStoreReader::Result readWith(DeviceKind kind, const QByteArray &bytes)
{
    if (kind == RandomAccess)
        return decode(bytes);
    TrickleDevice device(bytes, kind == SequentialByBytes ? 1 : 5);
    return TabStoreReader::read(&device);
}

/// What must hold for any input: a clear status, an offset inside the data,
/// and every record kept backed byte for byte by the input.
void checkConsistent(const QByteArray &bytes, const TabStoreReader::Result &r)
{
    QVERIFY2(r.status == TabStoreReader::Ok || r.status == TabStoreReader::Damaged, qPrintable(r.reason));
    if (r.status == TabStoreReader::Ok) {
        QCOMPARE(r.errorOffset, qint64(-1));
        if (r.bytesRead <= 4) { // empty device or the 4-byte start-up form
            QVERIFY(r.data.records.isEmpty());
            QVERIFY(r.data.skinPath.isNull());
            return;
        }
        QCOMPARE(encode(r.data), bytes.left(r.bytesRead));
        return;
    }
    QVERIFY(!r.reason.isEmpty());
    QVERIFY(r.errorOffset >= 0 && r.errorOffset <= bytes.size());
    QVERIFY(r.data.skinPath.isNull());
    // Each kept record needs at least 10 bytes; more records than that were invented.
    QVERIFY(r.data.records.size() <= bytes.size() / 10);
    TabStoreData kept;
    kept.records = r.data.records;
    const QByteArray recordBytes = encode(kept).mid(4).chopped(4);
    QCOMPARE(bytes.mid(4, recordBytes.size()), recordBytes);
    if (!kept.records.isEmpty())
        QVERIFY(4 + recordBytes.size() <= r.errorOffset);
}

qint64 virtualMemoryBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UnderAsan = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool UnderAsan = true;
#else
constexpr bool UnderAsan = false;
#endif
#else
constexpr bool UnderAsan = false;
#endif

/// Caps the address space at what the process uses now plus 256 MB, so a
/// gigabyte allocation fails (std::bad_alloc) instead of quietly succeeding.
/// ASan reserves terabytes of shadow memory and cannot run under such a cap.
class AddressSpaceCap
{
public:
    AddressSpaceCap()
    {
        if (UnderAsan || getrlimit(RLIMIT_AS, &m_saved) != 0)
            return;
        const qint64 now = virtualMemoryBytes();
        if (now <= 0)
            return;
        rlimit capped = m_saved;
        capped.rlim_cur = rlim_t(now + 256 * 1024 * 1024);
        if (m_saved.rlim_max != RLIM_INFINITY && capped.rlim_cur > m_saved.rlim_max)
            return;
        m_active = setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceCap()
    {
        if (m_active)
            setrlimit(RLIMIT_AS, &m_saved);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved {};
    bool m_active = false;
};

} // namespace

class TabStoreReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void readsHandWrittenBytes_data()
    {
        QTest::addColumn<TabStoreData>("expected");
        QTest::addColumn<QByteArray>("bytes");
        for (const Vector &v : vectors())
            QTest::newRow(v.name) << v.data << v.bytes;
    }

    void readsHandWrittenBytes()
    {
        QFETCH(TabStoreData, expected);
        QFETCH(QByteArray, bytes);
        for (DeviceKind kind : {RandomAccess, SequentialByBytes}) {
            const TabStoreReader::Result r = readWith(kind, bytes);
            QCOMPARE(r.status, TabStoreReader::Ok);
            QCOMPARE(r.data, expected);
            QVERIFY2(strictlyEqual(r.data, expected), "null and empty strings were mixed up");
            QCOMPARE(r.bytesRead, qint64(bytes.size()));
            QCOMPARE(r.errorOffset, qint64(-1));
        }
    }

    void acceptsStartAndEmptyForms_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no bytes at all") << QByteArray();
        QTest::newRow("count 1 without a skin field") << hex("00000001");
    }

    // A new or emptied tab.dat is started as the count 1 alone (00 00 00 01), with no skin field.
    void acceptsStartAndEmptyForms()
    {
        QFETCH(QByteArray, bytes);
        for (DeviceKind kind : {RandomAccess, SequentialByBytes}) {
            const TabStoreReader::Result r = readWith(kind, bytes);
            QCOMPARE(r.status, TabStoreReader::Ok);
            QVERIFY(r.data.records.isEmpty());
            QVERIFY(r.data.skinPath.isNull());
            QCOMPARE(r.bytesRead, qint64(bytes.size()));
        }
    }

    void ignoresTailAfterSkin()
    {
        for (const Vector &v : vectors()) {
            const QByteArray withTail = v.bytes + hex("deadbeef 00000005 01");
            const TabStoreReader::Result r = decode(withTail);
            QCOMPARE(r.status, TabStoreReader::Ok);
            QVERIFY2(strictlyEqual(r.data, v.data), v.name);
            QCOMPARE(r.bytesRead, qint64(v.bytes.size()));
        }
    }

    void roundTrips_data()
    {
        QTest::addColumn<TabStoreData>("data");

        TabStoreData mixed;
        for (int i = 0; i < 40; ++i) {
            TabRecord r = i % 3 == 0 ? fileRecord(QStringLiteral("file %1").arg(i), QStringLiteral("/home/u/notes/%1.not").arg(i))
                                     : textRecord(QStringLiteral("tab %1").arg(i), QStringLiteral("<html><body><p>note %1</p></body></html>").arg(i));
            if (i % 4 == 1)
                r = onScreen(r, QRect(10 * i, 5 * i, 200 + i, 150 + i));
            mixed.records.append(r);
        }
        mixed.skinPath = QStringLiteral("./skin/blue.png");
        QTest::newRow("forty records of every kind") << mixed;

        // Larger than the writer's buffer and the reader's sequential chunk.
        TabStoreData big;
        QString html;
        for (int i = 0; html.size() < 300 * 1024; ++i)
            html += QStringLiteral("<p>line %1 \u00e9\u4e2d</p>").arg(i);
        big.records = {textRecord(QStringLiteral("big"), html), textRecord(QStringLiteral("after"), QStringLiteral("x"))};
        QTest::newRow("300 K characters of text") << big;

        TabStoreData odd;
        const QChar raw[] = {QChar(0xD800), QChar(0), QChar(0xFFFF), QChar(0xDC00), QChar(0x0A)};
        odd.records = {textRecord(QString(raw, 5), QString(raw + 1, 3))};
        odd.skinPath = QString(raw + 3, 2);
        QTest::newRow("lone surrogates and control characters") << odd;

        TabStoreData frames;
        frames.records = {
            onScreen(textRecord(QStringLiteral("inverted"), QString()), QRect(QPoint(50, 50), QPoint(10, 10))),
            onScreen(textRecord(QStringLiteral("extreme"), QString()), QRect(QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MAX))),
            onScreen(textRecord(QStringLiteral("default"), QString()), QRect()),
        };
        QTest::newRow("inverted, extreme and default frames") << frames;
    }

    void roundTrips()
    {
        QFETCH(TabStoreData, data);
        const QByteArray bytes = encode(data);
        for (DeviceKind kind : {RandomAccess, SequentialBy5}) {
            const TabStoreReader::Result r = readWith(kind, bytes);
            QCOMPARE(r.status, TabStoreReader::Ok);
            QCOMPARE(r.data, data);
            QVERIFY(strictlyEqual(r.data, data));
            for (qsizetype i = 0; i < data.records.size(); ++i) {
                QCOMPARE(r.data.records[i].geometry.left(), data.records[i].geometry.left());
                QCOMPARE(r.data.records[i].geometry.bottom(), data.records[i].geometry.bottom());
            }
        }
    }

    void dropsFrameOfRecordNotOnScreen()
    {
        TabStoreData data;
        data.records = {textRecord(QStringLiteral("a"), QStringLiteral("b"))};
        data.records[0].geometry = QRect(1, 2, 3, 4); // not on screen: not stored
        const QByteArray bytes = encode(data);
        QCOMPARE(bytes, hex("00000002 00000002 0061 00 00000002 0062 00 ffffffff"));
        QCOMPARE(decode(bytes).data.records.at(0).geometry, QRect());
    }

    void rejectsDamage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kept");
        QTest::addColumn<qint64>("errorOffset");
        QTest::addColumn<QString>("reasonPart");

        const QByteArray recordA = hex("00000002 0041 00 00000004 0068 0069 00"); // 16 bytes
        QTest::newRow("count cut short") << hex("0000") << 0 << qint64(0) << "record count";
        QTest::newRow("count 0") << hex("00000000 ffffffff") << 0 << qint64(0) << "below 1";
        QTest::newRow("negative count") << hex("ffffffff ffffffff") << 0 << qint64(0) << "below 1";
        QTest::newRow("count 2^31-1, nothing after it") << hex("7fffffff") << 0 << qint64(4) << "record 1 name";
        // The skin's bytes parse as the next record's name; that record is not whole.
        QTest::newRow("count 2^31-1, one record and a skin")
            << hex("7fffffff") + recordA + hex("0000000a 0073 002e 0070 006e 0067") << 1 << qint64(34)
            << "record 2 fromFile";
        QTest::newRow("name longer than the file") << hex("00000002 00000100 0041") << 0 << qint64(4)
                                                  << "runs past the end";
        QTest::newRow("text of 0x7ffffff0 bytes") << hex("00000002 00000002 0041 00 7ffffff0 0068") << 0
                                                 << qint64(11) << "record 1 text: length 2147483632 runs past";
        QTest::newRow("odd name length") << hex("00000002 00000003 004100") << 0 << qint64(4) << "odd byte length 3";
        QTest::newRow("odd skin length") << hex("00000001 00000001 00") << 0 << qint64(4) << "skin: odd";
        QTest::newRow("fromFile byte 2") << hex("00000002 00000002 0041 02 00000000 00 ffffffff") << 0 << qint64(10)
                                        << "flag byte is 2";
        QTest::newRow("onScreen byte 0xff") << hex("00000002 00000002 0041 00 00000000 ff ffffffff") << 0
                                           << qint64(15) << "record 1 onScreen";
        QTest::newRow("frame cut short") << hex("00000002 00000002 0041 00 00000000 01 00000064 000000c8 0000")
                                        << 0 << qint64(24) << "record 1 geometry";
        QTest::newRow("skin missing after a record") << hex("00000002") + recordA << 1 << qint64(20) << "skin";
        QTest::newRow("skin cut short") << hex("00000002") + recordA + hex("0000000a 0073") << 1 << qint64(20)
                                       << "skin";
        QTest::newRow("second record cut short") << hex("00000003") + recordA + hex("00000002 0042 01 0000")
                                                << 1 << qint64(27) << "record 2 path";
        QTest::newRow("skin of 0xfffffffe bytes") << hex("00000001 fffffffe 0000") << 0 << qint64(4)
                                                 << "runs past the end";
    }

    void rejectsDamage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kept);
        QFETCH(qint64, errorOffset);
        QFETCH(QString, reasonPart);
        for (DeviceKind kind : {RandomAccess, SequentialByBytes, SequentialBy5}) {
            const TabStoreReader::Result r = readWith(kind, bytes);
            QCOMPARE(r.status, TabStoreReader::Damaged);
            QCOMPARE(r.data.records.size(), kept);
            QCOMPARE(r.errorOffset, errorOffset);
            QVERIFY(r.data.skinPath.isNull());
            // Sequential devices cannot tell "runs past the end" before reading; they say where it ended.
            if (kind == RandomAccess || !reasonPart.contains(QLatin1String("runs past")))
                QVERIFY2(r.reason.contains(reasonPart), qPrintable(r.reason));
            checkConsistent(bytes, r);
        }
    }

    void keepsOnlyWholeRecordsWhenTruncated_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("bigTextChars");
        QTest::newRow("file-like device") << int(RandomAccess) << 20;
        QTest::newRow("sequential device, one byte per read") << int(SequentialByBytes) << 20;
        // 2 x 70 K bytes spans several sequential chunks.
        QTest::newRow("sequential device, 70 K characters") << int(SequentialBy5) << 70000;
        QTest::newRow("file-like device, 70 K characters") << int(RandomAccess) << 70000;
    }

    // Cut a valid store at every byte (or a spread of bytes plus every record edge).
    void keepsOnlyWholeRecordsWhenTruncated()
    {
        QFETCH(int, kind);
        QFETCH(int, bigTextChars);
        const TabStoreData full = threeRecords(bigTextChars);
        const QByteArray bytes = encode(full);

        QList<qint64> ends{4};
        for (const TabRecord &r : full.records)
            ends.append(ends.last() + recordSize(r));
        QCOMPARE(ends.last() + 4 + 2 * full.skinPath.size(), qint64(bytes.size()));

        QList<qint64> cuts;
        if (bytes.size() < 4096) {
            for (qint64 cut = 0; cut < bytes.size(); ++cut)
                cuts.append(cut);
        } else {
            for (qint64 cut = 0; cut < bytes.size(); cut += 1009)
                cuts.append(cut);
            for (qint64 end : ends)
                cuts << end - 1 << end << end + 1;
        }

        for (qint64 cut : cuts) {
            const QByteArray part = bytes.left(cut);
            const TabStoreReader::Result r = readWith(DeviceKind(kind), part);
            if (cut == 0) {
                QCOMPARE(r.status, TabStoreReader::Ok); // an empty file is a new store
                continue;
            }
            int whole = 0;
            while (whole < full.records.size() && ends[whole + 1] <= cut)
                ++whole;
            const QByteArray where = "cut at " + QByteArray::number(cut);
            QVERIFY2(r.status == TabStoreReader::Damaged, where);
            QVERIFY2(r.data.records.size() == whole, where);
            QVERIFY2(r.data.records == full.records.mid(0, whole), where);
            QVERIFY2(r.errorOffset >= (cut < 4 ? 0 : ends[whole]) && r.errorOffset <= cut, where);
            QVERIFY2(r.data.skinPath.isNull(), where);
        }
        const TabStoreReader::Result whole = readWith(DeviceKind(kind), bytes);
        QCOMPARE(whole.status, TabStoreReader::Ok);
        QCOMPARE(whole.data, full);
    }

    void hugeLengthsAllocateNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("count 2^31-1, name of 0x7ffffff0 bytes") << hex("7fffffff 7ffffff0 0041 0042");
        QTest::newRow("text of 0xfffffffe bytes") << hex("00000002 00000000 00 fffffffe 0041");
        QTest::newRow("skin of 0x7ffffff0 bytes") << hex("00000001 7ffffff0") + QByteArray(100, 'a');
    }

    // A length is checked against the bytes left before any allocation. Under the cap a
    // gigabyte allocation throws; under ASan the fuzzer's malloc limit covers this.
    void hugeLengthsAllocateNothing()
    {
        QFETCH(QByteArray, bytes);
        for (DeviceKind kind : {RandomAccess, SequentialBy5}) {
            TabStoreReader::Result r;
            try {
                AddressSpaceCap cap;
                if (!UnderAsan)
                    QVERIFY2(cap.active(), "could not cap the address space");
                r = readWith(kind, bytes);
            } catch (const std::bad_alloc &) {
                QFAIL("the reader tried to allocate what the data cannot back");
            }
            QCOMPARE(r.status, TabStoreReader::Damaged);
            QVERIFY(r.data.records.isEmpty());
        }
    }

    // A pipe or a device can hand over data without end; a sequential read
    // stops at its limit instead of growing with it.
    void sequentialReadStopsAtLimit_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("status");
        const qint64 size = encode(threeRecords(20000)).size();
        QTest::newRow("store within the limit") << size << int(TabStoreReader::Ok);
        QTest::newRow("store past the limit") << size - 1000 << int(TabStoreReader::Damaged);
        QTest::newRow("limit inside the first name") << qint64(8) << int(TabStoreReader::Damaged);
    }

    void sequentialReadStopsAtLimit()
    {
        QFETCH(qint64, limit);
        QFETCH(int, status);
        const QByteArray bytes = encode(threeRecords(20000));
        TrickleDevice device(bytes, 4096);
        const TabStoreReader::Result r = TabStoreReader::read(&device, limit);
        QCOMPARE(int(r.status), status);
        // At most a length field past the limit is read.
        QVERIFY(r.bytesRead <= limit + 4);
        if (r.status == TabStoreReader::Damaged)
            QVERIFY2(r.reason.contains(QLatin1String("limit")), qPrintable(r.reason));
        else
            QCOMPARE(r.data, threeRecords(20000));
    }

    void survivesRandomBytes()
    {
        QRandomGenerator random(20240611);
        for (int i = 0; i < 3000; ++i) {
            QByteArray bytes(random.bounded(0, 300), Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            // Half the cases start with a plausible count and short lengths, to get past the first field.
            if (i % 2 && bytes.size() >= 8) {
                bytes[0] = bytes[1] = bytes[2] = 0;
                bytes[3] = char(random.bounded(1, 6));
                bytes[4] = bytes[5] = bytes[6] = 0;
                bytes[7] = char(random.bounded(0, 16) * 2);
            }
            const TabStoreReader::Result r = decode(bytes);
            checkConsistent(bytes, r);
            if (QTest::currentTestFailed())
                qFatal("failed for input %s", bytes.toHex().constData());
            const TabStoreReader::Result seq = readWith(SequentialBy5, bytes);
            QCOMPARE(seq.status, r.status);
            QCOMPARE(seq.errorOffset, r.errorOffset);
            QVERIFY(strictlyEqual(seq.data, r.data));
        }
    }

    void survivesMutatedStore()
    {
        const QByteArray original = encode(threeRecords(30));
        QRandomGenerator random(77);
        for (int i = 0; i < 5000; ++i) {
            QByteArray bytes = original;
            const int flips = random.bounded(1, 4);
            for (int f = 0; f < flips; ++f)
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            if (i % 5 == 0)
                bytes.truncate(random.bounded(bytes.size()));
            const TabStoreReader::Result r = decode(bytes);
            checkConsistent(bytes, r);
            if (QTest::currentTestFailed())
                qFatal("failed for input %s", bytes.toHex().constData());
        }
    }

    void reportsDeviceErrors()
    {
        QBuffer closed;
        const TabStoreReader::Result notOpen = TabStoreReader::read(&closed);
        QCOMPARE(notOpen.status, TabStoreReader::ReadError);
        QVERIFY(!notOpen.reason.isEmpty());

        const QByteArray bytes = encode(threeRecords(20));
        // Fails inside the second record: the first stays, the error is not called damage.
        TrickleDevice failing(bytes, 7, 4 + recordSize(threeRecords(20).records[0]) + 9);
        const TabStoreReader::Result r = TabStoreReader::read(&failing);
        QCOMPARE(r.status, TabStoreReader::ReadError);
        QCOMPARE(r.data.records.size(), 1);
        QVERIFY2(r.reason.contains(QLatin1String("simulated read failure")), qPrintable(r.reason));
    }
};

QTEST_GUILESS_MAIN(TabStoreReaderTest)
#include "tst_tabstorereader.moc"
