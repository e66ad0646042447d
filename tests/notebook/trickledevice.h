#pragma once

// Test device shared by the store tests and the store fuzzer (which links
// QtCore only, so this header needs nothing else).

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <cstring>

/// A sequential device over fixed bytes that hands out at most `step` bytes per
/// read and, when failAt >= 0, fails with an error once that offset is reached.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray &data, qint64 step, qint64 failAt = -1)
        : m_data(data), m_step(step), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *dst, qint64 max) override
    {
        if (m_failAt >= 0 && m_pos >= m_failAt) {
            setErrorString(QStringLiteral("simulated read failure"));
            return -1;
        }
        qint64 n = std::min({max, m_step, qint64(m_data.size()) - m_pos});
        if (m_failAt >= 0)
            n = std::min(n, m_failAt - m_pos);
        memcpy(dst, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_step;
    qint64 m_failAt;
    qint64 m_pos = 0;
};
