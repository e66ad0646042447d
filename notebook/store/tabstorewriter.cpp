#include "tabstorewriter.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

#include <limits>

namespace {

// What QDataStream writes is gathered in blocks of this size, so a 10 MB
// store costs a few hundred device writes rather than one per field.
constexpr qint64 BlockSize = 256 * 1024;

/// The device QDataStream writes into: passes the bytes on to the real device
/// in blocks, retrying short writes (pipes and sockets may take part of a
/// block at a time), and keeps the real device's error text when one fails.
/// After a failure it accepts nothing more.
class BlockWriter : public QIODevice
{
public:
    explicit BlockWriter(QIODevice *device) : m_device(device)
    {
        m_buffer.reserve(BlockSize);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    /// Writes out what is still gathered; false once anything failed.
    bool flushBlock()
    {
        if (m_failed)
            return false;
        const bool ok = writeAll(m_buffer.constData(), m_buffer.size());
        m_buffer.resize(0);
        return ok;
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 len) override
    {
        if (m_failed)
            return -1;
        if (m_buffer.size() + len > BlockSize && !flushBlock())
            return -1;
        if (len >= BlockSize)
            return writeAll(data, len) ? len : -1;
        m_buffer.append(data, len);
        return len;
    }

private:
    bool writeAll(const char *data, qint64 len)
    {
        qint64 done = 0;
        while (done < len) {
            const qint64 written = m_device->write(data + done, len - done);
            if (written <= 0) {
                m_failed = true;
                setErrorString(written < 0 ? m_device->errorString()
                                           : QStringLiteral("the device accepted no more data"));
                return false;
            }
            done += written;
        }
        return true;
    }

    QIODevice *m_device;
    QByteArray m_buffer;
    bool m_failed = false;
};

// A stored string's length field counts bytes in a quint32, 0xFFFFFFFF meaning null.
bool fitsLengthField(const QString &text)
{
    return qint64(text.size()) * 2 < qint64(0xFFFFFFFFu);
}

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
    for (const TabRecord &record : data.records) {
        for (const QString *text : {&record.name, &record.pathOrText}) {
            if (!fitsLengthField(*text))
                return failed(QStringLiteral("a text of %1 characters is too long for the store").arg(text->size()));
        }
    }
    if (!fitsLengthField(data.skinPath))
        return failed(QStringLiteral("a text of %1 characters is too long for the store").arg(data.skinPath.size()));

    BlockWriter sink(device);
    QDataStream out(&sink);
    out << qint32(data.records.size() + 1);
    for (const TabRecord &record : data.records) {
        out << record.name << record.fromFile << record.pathOrText << record.onScreen;
        if (record.onScreen)
            out << record.geometry;
        if (out.status() != QDataStream::Ok)
            break;
    }
    out << data.skinPath;
    if (out.status() != QDataStream::Ok || !sink.flushBlock())
        return failed(sink.errorString());
    return true;
}
