// libFuzzer target: TabStoreReader on arbitrary bytes, through a file-like
// and a sequential device. Besides crashes, leaks and oversized allocations
// (caught by the sanitizers and -malloc_limit_mb), it aborts when:
//  - a whole store does not re-encode to exactly the bytes it was read from;
//  - a damaged store keeps a record not backed byte for byte by the input;
//  - the two kinds of device disagree.
// With VELMO_FUZZ_WRITE_SEEDS=DIR set, it writes seed stores into DIR and exits.

#include "tabstorereader.h"
#include "tabstorewriter.h"
#include "trickledevice.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QByteArray encode(const TabStoreData &data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!TabStoreWriter::write(&buffer, data))
        abort();
    return bytes;
}

bool sameStrings(const QString &a, const QString &b) { return a.isNull() == b.isNull() && a == b; }

bool same(const TabStoreData &a, const TabStoreData &b)
{
    if (a != b || !sameStrings(a.skinPath, b.skinPath))
        return false;
    for (qsizetype i = 0; i < a.records.size(); ++i) {
        if (!sameStrings(a.records[i].name, b.records[i].name)
            || !sameStrings(a.records[i].pathOrText, b.records[i].pathOrText))
            return false;
    }
    return true;
}

[[noreturn]] void fail(const char *what)
{
    fprintf(stderr, "tab.dat reader property broken: %s\n", what);
    abort();
}

void writeSeeds(const QString &dir)
{
    QList<TabStoreData> stores;
    stores.append(TabStoreData());

    TabStoreData small;
    TabRecord text;
    text.name = QStringLiteral("todo");
    text.pathOrText = QStringLiteral("<p>milk, \u4e2d\u6587</p>");
    TabRecord file;
    file.name = QStringLiteral("plan");
    file.fromFile = true;
    file.pathOrText = QStringLiteral("/home/u/plan.not");
    file.onScreen = true;
    file.geometry = QRect(-40, 20, 300, 200);
    small.records = {text, file};
    small.skinPath = QStringLiteral("./skin/blue.png");
    stores.append(small);

    TabStoreData several;
    for (int i = 0; i < 12; ++i) {
        TabRecord r;
        r.name = QStringLiteral("tab %1").arg(i);
        r.fromFile = i % 4 == 0;
        r.pathOrText = QString(i * 20, QChar(u'a' + i));
        r.onScreen = i % 3 == 0;
        r.geometry = QRect(i, i, 100 + i, 80 + i);
        several.records.append(r);
    }
    several.skinPath = QLatin1String("");
    stores.append(several);

    QDir().mkpath(dir);
    for (qsizetype i = 0; i < stores.size(); ++i) {
        QFile f(QDir(dir).filePath(QStringLiteral("store-%1.dat").arg(i)));
        if (!f.open(QIODevice::WriteOnly) || !TabStoreWriter::write(&f, stores[i]) || !f.flush())
            exit(1);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QByteArray seeds = qgetenv("VELMO_FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty()) {
        writeSeeds(QString::fromLocal8Bit(seeds));
        exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(input);
    buffer.open(QIODevice::ReadOnly);
    const TabStoreReader::Result r = TabStoreReader::read(&buffer);

    if (r.status == TabStoreReader::Ok) {
        if (r.errorOffset != -1 || r.bytesRead > qint64(size))
            fail("whole store with an error offset or more bytes than given");
        if (r.bytesRead > 4 && encode(r.data) != input.left(r.bytesRead))
            fail("whole store does not re-encode to its bytes");
        if (r.bytesRead <= 4 && (!r.data.records.isEmpty() || !r.data.skinPath.isNull()))
            fail("data from nothing");
    } else if (r.status == TabStoreReader::Damaged) {
        if (r.errorOffset < 0 || r.errorOffset > qint64(size) || r.reason.isEmpty())
            fail("damage without a place or a reason");
        if (!r.data.skinPath.isNull())
            fail("damaged store with a skin");
        TabStoreData kept;
        kept.records = r.data.records;
        const QByteArray recordBytes = encode(kept).mid(4).chopped(4);
        if (input.mid(4, recordBytes.size()) != recordBytes)
            fail("kept records not backed by the input");
    } else {
        fail("read error on a memory buffer");
    }

    // At most 3 bytes per read and no size, like a pipe.
    TrickleDevice trickle(input, 3);
    const TabStoreReader::Result s = TabStoreReader::read(&trickle);
    if (s.status != r.status || s.errorOffset != r.errorOffset || !same(s.data, r.data))
        fail("sequential and file-like devices disagree");
    return 0;
}
