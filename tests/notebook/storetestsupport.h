#pragma once

// Helpers shared by the store tests: byte vectors, devices that misbehave on
// purpose, and strict comparison (null and empty strings differ on disk).

#include "tabstorereader.h"
#include "tabstorewriter.h"
#include "trickledevice.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>
#include <QMetaType>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(TabStoreData)

namespace StoreTest {

/// "00 00 00 01 ff" -> bytes; spaces and line breaks are ignored.
inline QByteArray hex(const char *text)
{
    QByteArray digits(text);
    digits.replace(' ', "").replace('\n', "");
    return QByteArray::fromHex(digits);
}

inline QString emptyNotNull() { return QString(QLatin1String("")); }

inline TabRecord textRecord(const QString &name, const QString &html)
{
    TabRecord r;
    r.name = name;
    r.pathOrText = html;
    return r;
}

inline TabRecord fileRecord(const QString &name, const QString &path)
{
    TabRecord r;
    r.name = name;
    r.fromFile = true;
    r.pathOrText = path;
    return r;
}

inline TabRecord onScreen(TabRecord r, const QRect &frame)
{
    r.onScreen = true;
    r.geometry = frame;
    return r;
}

inline QByteArray encode(const TabStoreData &data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!TabStoreWriter::write(&buffer, data, &error))
        qFatal("writing to a QBuffer failed: %s", qPrintable(error));
    return bytes;
}

inline TabStoreReader::Result decode(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return TabStoreReader::read(&buffer);
}

/// Equality that also tells null from empty strings, as the bytes do.
inline bool sameString(const QString &a, const QString &b) { return a.isNull() == b.isNull() && a == b; }

inline bool strictlyEqual(const TabRecord &a, const TabRecord &b)
{
    return a == b && sameString(a.name, b.name) && sameString(a.pathOrText, b.pathOrText);
}

inline bool strictlyEqual(const TabStoreData &a, const TabStoreData &b)
{
    if (!sameString(a.skinPath, b.skinPath) || a.records.size() != b.records.size())
        return false;
    for (qsizetype i = 0; i < a.records.size(); ++i) {
        if (!strictlyEqual(a.records[i], b.records[i]))
            return false;
    }
    return true;
}

/// A store and its bytes, written out by hand from the layout (the reference
/// for both directions of the codec).
struct Vector
{
    const char *name;
    TabStoreData data;
    QByteArray bytes;
};

inline QList<Vector> vectors()
{
    QList<Vector> v;
    v.append({"empty store, null skin", TabStoreData(), hex("00000001 ffffffff")});

    TabStoreData emptySkin;
    emptySkin.skinPath = emptyNotNull();
    v.append({"empty store, empty skin", emptySkin, hex("00000001 00000000")});

    TabStoreData text;
    text.records = {textRecord(QStringLiteral("A"), QStringLiteral("hi"))};
    text.skinPath = QStringLiteral("s.png");
    v.append({"one text record", text,
              hex("00000002  00000002 0041  00  00000004 0068 0069  00"
                  "0000000a 0073 002e 0070 006e 0067")});

    TabStoreData file;
    file.records = {fileRecord(QStringLiteral("N"), QStringLiteral("/t/n.not"))};
    v.append({"one file record", file,
              hex("00000002  00000002 004e  01  00000010 002f 0074 002f 006e 002e 006e 006f 0074  00"
                  "ffffffff")});

    TabStoreData screen;
    screen.records = {onScreen(textRecord(QStringLiteral("Z"), emptyNotNull()), QRect(100, 200, 300, 150))};
    screen.skinPath = emptyNotNull();
    v.append({"on-screen record with its frame", screen,
              hex("00000002  00000002 005a  00  00000000  01"
                  "00000064 000000c8 0000018f 0000015d  00000000")});

    TabStoreData negative;
    negative.records = {onScreen(fileRecord(QStringLiteral("w"), QStringLiteral("a")),
                                 QRect(-1280, -20, 250, 300))};
    v.append({"frame on a screen left of the primary", negative,
              hex("00000002  00000002 0077  01  00000002 0061  01"
                  "fffffb00 ffffffec fffffbf9 00000117  ffffffff")});

    TabStoreData wide;
    wide.records = {textRecord(QStringLiteral("便签"), QStringLiteral("😀"))};
    v.append({"CJK name, text outside the BMP", wide,
              hex("00000002  00000004 4fbf 7b7e  00  00000004 d83d de00  00  ffffffff")});

    TabStoreData nulls;
    nulls.records = {TabRecord(), textRecord(QStringLiteral("b"), QStringLiteral("x"))};
    v.append({"null name and text, then a second record", nulls,
              hex("00000003  ffffffff 00 ffffffff 00"
                  "00000002 0062  00  00000002 0078  00  ffffffff")});
    return v;
}

/// Accepts `capacity` bytes, then refuses every write like a full disk.
class FullAfterDevice : public QIODevice
{
public:
    explicit FullAfterDevice(qint64 capacity) : m_capacity(capacity)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    const QByteArray &written() const { return m_written; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *src, qint64 len) override
    {
        const qint64 room = m_capacity - m_written.size();
        if (room <= 0) {
            setErrorString(QStringLiteral("device full"));
            return -1;
        }
        const qint64 n = std::min(room, len);
        m_written.append(src, n);
        return n; // a short write, as a nearly full disk gives
    }

private:
    qint64 m_capacity;
    QByteArray m_written;
};

} // namespace StoreTest

/// Readable failure output for QCOMPARE on whole stores.
inline char *toString(const TabStoreData &data)
{
    QString text = QStringLiteral("%1 records, skin %2").arg(data.records.size())
                       .arg(data.skinPath.isNull() ? QStringLiteral("<null>") : u'"' + data.skinPath + u'"');
    for (const TabRecord &r : data.records) {
        text += QStringLiteral("; [%1|%2|%3 chars|%4]")
                    .arg(r.name.isNull() ? QStringLiteral("<null>") : r.name)
                    .arg(r.fromFile ? QStringLiteral("file") : QStringLiteral("text"))
                    .arg(r.pathOrText.size())
                    .arg(r.onScreen ? QStringLiteral("screen %1,%2 %3x%4")
                                          .arg(r.geometry.x()).arg(r.geometry.y())
                                          .arg(r.geometry.width()).arg(r.geometry.height())
                                    : QStringLiteral("tab"));
    }
    return qstrdup(text.toUtf8().constData());
}
