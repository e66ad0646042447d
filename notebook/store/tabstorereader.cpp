#include "tabstorereader.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr quint32 NullStringLength = 0xFFFFFFFFu;
// Sequential devices cannot say how much is left, so strings from them grow in
// steps of this size: memory follows the bytes that really arrived.
constexpr qint64 SequentialChunk = 64 * 1024;

class Parser
{
public:
    Parser(QIODevice *device, qint64 sequentialLimit)
        : m_device(device), m_sequential(device->isSequential()), m_limit(sequentialLimit)
    {
    }

    TabStoreReader::Result result;

    /// Names the field being read, for the reason text (record is 1-based, 0 = none).
    void at(int record, const char *field)
    {
        m_record = record;
        m_field = field;
    }

    /// Reads a qint32. *empty is set when the device had no byte at all.
    bool readInt32(qint32 *value, bool *empty = nullptr)
    {
        const qint64 start = result.bytesRead;
        char raw[4];
        const qint64 got = readUpTo(raw, 4);
        if (got < 0)
            return false;
        if (got == 0 && empty) {
            *empty = true;
            return false;
        }
        if (got < 4)
            return truncated(start);
        *value = qFromBigEndian<qint32>(raw);
        return true;
    }

    bool readFlag(bool *value)
    {
        const qint64 start = result.bytesRead;
        char raw = 0;
        const qint64 got = readUpTo(&raw, 1);
        if (got < 0)
            return false;
        if (got < 1)
            return truncated(start);
        // The program only ever wrote 0 or 1; anything else means the bytes are not ours.
        if (raw != 0 && raw != 1)
            return damaged(start, QStringLiteral("flag byte is %1, not 0 or 1").arg(int(uchar(raw))));
        *value = raw == 1;
        return true;
    }

    /// Reads a QString. *absent is set when the data ended right before it.
    bool readString(QString *value, bool *absent = nullptr)
    {
        const qint64 start = result.bytesRead;
        char raw[4];
        const qint64 got = readUpTo(raw, 4);
        if (got < 0)
            return false;
        if (got == 0 && absent) {
            *absent = true;
            return false;
        }
        if (got < 4)
            return truncated(start);
        const quint32 length = qFromBigEndian<quint32>(raw);
        if (length == NullStringLength) {
            *value = QString();
            return true;
        }
        if (length % 2 != 0)
            return damaged(start, QStringLiteral("odd byte length %1").arg(length));
        if (!m_sequential) {
            const qint64 left = remaining();
            if (qint64(length) > left)
                return damaged(start, QStringLiteral("length %1 runs past the end (%2 bytes left)")
                                          .arg(length).arg(left));
        } else if (result.bytesRead + qint64(length) > m_limit) {
            return damaged(start, QStringLiteral("length %1 runs past the %2-byte limit").arg(length).arg(m_limit));
        }
        if (length == 0) {
            // Empty but not null: the two are different bytes on disk.
            *value = QString(QLatin1String(""));
            return true;
        }
        return m_sequential ? readUnitsInChunks(value, length, start)
                            : readUnits(value, length, start);
    }

    bool readRect(QRect *rect)
    {
        qint32 edges[4];
        for (qint32 &edge : edges) {
            if (!readInt32(&edge))
                return false;
        }
        // left, top, right, bottom, exactly as stored; QRect keeps the edges as given.
        *rect = QRect(QPoint(edges[0], edges[1]), QPoint(edges[2], edges[3]));
        return true;
    }

    bool damaged(qint64 offset, const QString &what)
    {
        result.status = TabStoreReader::Damaged;
        result.errorOffset = offset;
        result.reason = context() + what;
        return false;
    }

private:
    QString context() const
    {
        const QString field = QLatin1String(m_field);
        return m_record > 0 ? QStringLiteral("record %1 %2: ").arg(m_record).arg(field)
                            : field + QLatin1String(": ");
    }

    bool truncated(qint64 offset) { return damaged(offset, QStringLiteral("data ends inside the field")); }

    qint64 remaining() const { return std::max<qint64>(0, m_device->size() - m_device->pos()); }

    /// Reads up to n bytes; fewer only at the end of the data. -1 on a device error.
    qint64 readUpTo(char *dst, qint64 n)
    {
        qint64 got = 0;
        while (got < n) {
            const qint64 r = m_device->read(dst + got, n - got);
            if (r < 0) {
                result.status = TabStoreReader::ReadError;
                result.errorOffset = result.bytesRead + got;
                result.reason = context() + m_device->errorString();
                return -1;
            }
            if (r == 0)
                break;
            got += r;
        }
        result.bytesRead += got;
        return got;
    }

    bool readUnits(QString *value, quint32 length, qint64 start)
    {
        // length has been checked against the bytes left, so this allocation is backed by the file.
        QString text(qsizetype(length / 2), Qt::Uninitialized);
        const qint64 got = readUpTo(reinterpret_cast<char *>(text.data()), length);
        if (got < 0)
            return false;
        if (got < qint64(length))
            return truncated(start); // the device shrank under us
        qFromBigEndian<quint16>(text.constData(), text.size(), text.data());
        *value = text;
        return true;
    }

    bool readUnitsInChunks(QString *value, quint32 length, qint64 start)
    {
        QString text;
        qint64 done = 0;
        while (done < qint64(length)) {
            const qint64 step = std::min<qint64>(SequentialChunk, qint64(length) - done);
            const qsizetype at = text.size();
            text.resize(at + qsizetype(step / 2));
            const qint64 got = readUpTo(reinterpret_cast<char *>(text.data() + at), step);
            if (got < 0)
                return false;
            if (got < step)
                return truncated(start);
            done += step;
        }
        qFromBigEndian<quint16>(text.constData(), text.size(), text.data());
        *value = text;
        return true;
    }

    QIODevice *m_device;
    const bool m_sequential;
    const qint64 m_limit;
    int m_record = 0;
    const char *m_field = "";
};

} // namespace

TabStoreReader::Result TabStoreReader::read(QIODevice *device, qint64 sequentialLimit)
{
    if (!device || !device->isReadable()) {
        Result failed;
        failed.status = ReadError;
        failed.errorOffset = 0;
        failed.reason = QStringLiteral("device not open for reading");
        return failed;
    }

    Parser in(device, sequentialLimit);
    TabStoreData &data = in.result.data;

    in.at(0, "record count");
    qint32 count = 0;
    bool empty = false;
    if (!in.readInt32(&count, &empty)) {
        // A file with no bytes at all is how a brand-new store starts out.
        if (empty)
            in.result.status = Ok;
        return in.result;
    }
    if (count < 1) {
        in.damaged(0, QStringLiteral("%1 is below 1").arg(count));
        return in.result;
    }

    // No reserve(count): the count is untrusted; the list grows with records really read.
    for (qint32 i = 1; i < count; ++i) {
        TabRecord record;
        in.at(i, "name");
        if (!in.readString(&record.name))
            return in.result;
        in.at(i, "fromFile");
        if (!in.readFlag(&record.fromFile))
            return in.result;
        in.at(i, record.fromFile ? "path" : "text");
        if (!in.readString(&record.pathOrText))
            return in.result;
        in.at(i, "onScreen");
        if (!in.readFlag(&record.onScreen))
            return in.result;
        if (record.onScreen) {
            in.at(i, "geometry");
            if (!in.readRect(&record.geometry))
                return in.result;
        }
        data.records.append(record);
    }

    in.at(0, "skin");
    bool absent = false;
    if (!in.readString(&data.skinPath, &absent)) {
        // A new store starts as the count 1 alone, the four bytes 00 00 00 01,
        // with no skin field; that form, and only that one, is whole without it.
        if (absent && count == 1)
            in.result.status = Ok;
        else if (absent)
            in.damaged(in.result.bytesRead, QStringLiteral("data ends before the field"));
    }
    return in.result;
}
