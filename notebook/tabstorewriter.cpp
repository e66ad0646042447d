#include "tabstorewriter.h"

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <limits>

namespace {

// Fields are gathered in a buffer of this size, so a 10 MB store costs a few
// hundred device writes rather than one per field.
constexpr qsizetype FlushAt = 256 * 1024;

class Output
{
public:
    explicit Output(QIODevice *device) : m_device(device) { m_buffer.reserve(FlushAt + 16); }

    bool ok() const { return m_ok; }
    const QString &error() const { return m_error; }

    void putUInt32(quint32 value)
    {
        if (!m_ok)
            return;
        char raw[4];
        qToBigEndian(value, raw);
        m_buffer.append(raw, 4);
        flushIfFull();
    }

    void putInt32(qint32 value) { putUInt32(quint32(value)); }

    void putFlag(bool value)
    {
        if (!m_ok)
            return;
        m_buffer.append(value ? '\1' : '\0');
        flushIfFull();
    }

    void putString(const QString &text)
    {
        if (!m_ok)
            return;
        if (text.isNull()) {
            putUInt32(0xFFFFFFFFu);
            return;
        }
        const qint64 bytes = qint64(text.size()) * 2;
        if (bytes >= qint64(0xFFFFFFFFu)) {
            fail(QStringLiteral("a text of %1 characters is too long for the store").arg(text.size()));
            return;
        }
        putUInt32(quint32(bytes));
        const ushort *units = text.utf16();
        qsizetype left = text.size();
        while (left > 0 && m_ok) {
            const qsizetype n = std::min(left, FlushAt / 2);
            const qsizetype at = m_buffer.size();
            m_buffer.resize(at + n * 2);
            qToBigEndian<quint16>(units, n, m_buffer.data() + at);
            units += n;
            left -= n;
            flushIfFull();
        }
    }

    void flush()
    {
        if (!m_ok || m_buffer.isEmpty())
            return;
        // A short write is not yet a failure (pipes, sockets); one that moves nothing is.
        qint64 done = 0;
        while (done < m_buffer.size()) {
            const qint64 written = m_device->write(m_buffer.constData() + done, m_buffer.size() - done);
            if (written <= 0) {
                fail(written < 0 ? m_device->errorString()
                                 : QStringLiteral("the device accepted no more data"));
                break;
            }
            done += written;
        }
        m_buffer.resize(0);
    }

    void fail(const QString &why)
    {
        if (m_ok)
            m_error = why;
        m_ok = false;
    }

private:
    void flushIfFull()
    {
        if (m_buffer.size() >= FlushAt)
            flush();
    }

    QIODevice *m_device;
    QByteArray m_buffer;
    bool m_ok = true;
    QString m_error;
};

} // namespace

bool TabStoreWriter::write(QIODevice *device, const TabStoreData &data, QString *error)
{
    auto failed = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!device || !device->isWritable())
        return failed(QStringLiteral("device not open for writing"));
    if (data.records.size() >= std::numeric_limits<qint32>::max())
        return failed(QStringLiteral("too many records for the store"));

    Output out(device);
    out.putInt32(qint32(data.records.size() + 1));
    for (const TabRecord &record : data.records) {
        out.putString(record.name);
        out.putFlag(record.fromFile);
        out.putString(record.pathOrText);
        out.putFlag(record.onScreen);
        if (record.onScreen) {
            out.putInt32(record.geometry.left());
            out.putInt32(record.geometry.top());
            out.putInt32(record.geometry.right());
            out.putInt32(record.geometry.bottom());
        }
        if (!out.ok())
            break;
    }
    out.putString(data.skinPath);
    out.flush();
    if (!out.ok())
        return failed(out.error());
    return true;
}
