#include "notefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

NoteFile::ReadResult NoteFile::read(const QString &path)
{
    ReadResult result;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    if (file.size() > MaxBytes) {
        result.error = QStringLiteral("file too large");
        return result;
    }
    const QByteArray bytes = file.read(MaxBytes + 1);
    if (bytes.size() > MaxBytes || file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }
    // Text has no NUL bytes; anything else is not a note.
    if (bytes.contains('\0')) {
        result.error = QStringLiteral("not a text file");
        return result;
    }
    QStringDecoder decoder(QStringDecoder::System);
    result.text = decoder(bytes);
    // Text mode: line ends become plain line feeds.
    result.text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.ok = true;
    return result;
}

QString NoteFile::write(const QString &path, const QString &html)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return file.errorString();
    QStringEncoder encoder(QStringEncoder::System);
    const QByteArray bytes = encoder(html);
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

QString NoteFile::savePath(const QString &path)
{
    if (QFileInfo(path).suffix() == QLatin1String("not"))
        return path;
    return path + QLatin1String(".not");
}
