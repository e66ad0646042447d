#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class QMimeData;

/// What the program put on the clipboard, as the types another program may
/// ask for: a picture as PNG, text as UTF-8 under the names Wayland and X
/// programs use for it, any other format as it is. A value that keeps its own
/// copy of the data, so it outlives the clipboard's QMimeData; once made it
/// may be read from any thread.
class ClipboardPayload
{
public:
    ClipboardPayload() = default;
    static ClipboardPayload fromMimeData(const QMimeData &data);
    static ClipboardPayload fromImage(const QImage &image);

    bool isEmpty() const { return m_image.isNull() && m_formats.isEmpty(); }
    /// Every type offered, the preferred first.
    QStringList types() const;
    /// The bytes for one of types(); empty for any other. A picture is
    /// encoded when asked for, not before: a copy costs nothing until a
    /// program pastes it.
    QByteArray data(const QString &type) const;

private:
    QImage m_image;
    QList<std::pair<QString, QByteArray>> m_formats;
};
