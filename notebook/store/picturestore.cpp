#include "picturestore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {
const QLatin1String Folder("pictures");
const QByteArray PngSignature("\x89PNG\r\n\x1a\n", 8);
const QLatin1String DataPrefix("data:image/png;base64,");

QString nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
}

PictureStore::PictureStore(const QString &notebookFolder)
    : m_folder(notebookFolder)
{
}

bool PictureStore::isPictureName(const QString &name)
{
    static const QRegularExpression form(QStringLiteral("\\Apictures/[0-9a-f]{64}\\.png\\z"));
    return form.match(name).hasMatch();
}

QString PictureStore::nameFor(const QByteArray &png)
{
    return Folder + QLatin1Char('/')
        + QString::fromLatin1(QCryptographicHash::hash(png, QCryptographicHash::Sha256).toHex())
        + QLatin1String(".png");
}

QSize PictureStore::pngSize(const QByteArray &bytes)
{
    // Signature, then the IHDR chunk: length, "IHDR", width, height (big-endian).
    if (bytes.size() < 24 || !bytes.startsWith(PngSignature) || bytes.mid(12, 4) != "IHDR")
        return QSize();
    const auto word = [&bytes](int at) {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | quint8(bytes.at(at + i));
        return value;
    };
    const quint32 width = word(16);
    const quint32 height = word(20);
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
        return QSize();
    return QSize(int(width), int(height));
}

QString PictureStore::sizeRefusal(const QString &name, QSize size)
{
    if (qint64(size.width()) * size.height() <= MaxPixels)
        return QString();
    return tr("图片 %1 有 %2×%3 像素，超过 %4 百万像素，没有打开它")
        .arg(nativeName(name))
        .arg(size.width())
        .arg(size.height())
        .arg(MaxPixels / 1000000);
}

PictureStore::Result PictureStore::store(const QByteArray &png) const
{
    Result result;
    const QSize size = pngSize(png);
    if (!size.isValid()) {
        result.error = tr("图片不是 PNG，没有保存");
        return result;
    }
    result.error = sizeRefusal(tr("（粘贴的图片）"), size);
    if (!result.ok())
        return result;
    const QString name = nameFor(png);
    const QString path = QDir(m_folder).filePath(name);
    const QFileInfo folderInfo(QDir(m_folder).filePath(Folder));
    if (folderInfo.isSymLink() || (folderInfo.exists() && !folderInfo.isDir())) {
        result.error = tr("%1 不是普通文件夹，图片没有保存").arg(nativeName(folderInfo.filePath()));
        return result;
    }
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isFile())) {
        result.error = tr("%1 不是普通文件，图片没有保存").arg(nativeName(path));
        return result;
    }
    // Named by its content: a file of the same size is the same picture.
    // One of another size was cut short and is written anew.
    if (info.exists() && info.size() == png.size()) {
        result.name = name;
        return result;
    }
    if (!QDir(m_folder).mkpath(Folder)) {
        result.error = tr("无法创建文件夹 %1").arg(nativeName(folderInfo.filePath()));
        return result;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = tr("图片未能保存到 %1：%2").arg(nativeName(path), file.errorString());
        return result;
    }
    if (file.write(png) != png.size()) {
        result.error = tr("图片未能保存到 %1：%2").arg(nativeName(path), file.errorString());
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.error = tr("图片未能保存到 %1：%2").arg(nativeName(path), file.errorString());
        return result;
    }
    result.name = name;
    return result;
}

PictureStore::Result PictureStore::locate(const QString &name) const
{
    Result result;
    if (!isPictureName(name)) {
        result.error = tr("%1 不是本笔记本的图片").arg(nativeName(name));
        return result;
    }
    const QString path = QDir(m_folder).filePath(name);
    const QFileInfo folderInfo(QDir(m_folder).filePath(Folder));
    const QFileInfo info(path);
    if (folderInfo.isSymLink() || info.isSymLink()) {
        result.error = tr("图片 %1 是一个链接，没有打开它").arg(nativeName(path));
        return result;
    }
    if (!info.exists()) {
        result.error = tr("图片 %1 不存在").arg(nativeName(path));
        return result;
    }
    if (!info.isFile()) {
        result.error = tr("图片 %1 不是普通文件，没有打开它").arg(nativeName(path));
        return result;
    }
    result.name = path;
    return result;
}

QString PictureStore::embed(const QString &html, QStringList *problems) const
{
    static const QRegularExpression source(QStringLiteral("src=\"(pictures/[0-9a-f]{64}\\.png)\""));
    return rewriteSources(html, source, [this, problems](const QString &name) {
        const Result found = locate(name);
        QFile file(found.name);
        if (!found.ok() || !file.open(QIODevice::ReadOnly)) {
            if (problems)
                *problems << (found.ok() ? file.errorString() : found.error);
            return name;
        }
        return DataPrefix + QString::fromLatin1(file.readAll().toBase64());
    });
}

QString PictureStore::adopt(const QString &html, QStringList *problems) const
{
    static const QRegularExpression source(QStringLiteral("src=\"(data:image/png;base64,[A-Za-z0-9+/=\\s]*)\""));
    return rewriteSources(html, source, [this, problems](const QString &data) {
        const QByteArray png = QByteArray::fromBase64(data.mid(DataPrefix.size()).toLatin1());
        const Result stored = store(png);
        if (!stored.ok()) {
            if (problems)
                *problems << stored.error;
            // Kept as it was: the note still holds the picture.
            return data;
        }
        return stored.name;
    });
}

QString PictureStore::rewriteSources(const QString &html, const QRegularExpression &source,
                                     const std::function<QString(const QString &)> &rewrite)
{
    QString out;
    qsizetype last = 0;
    auto it = source.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += QStringView(html).mid(last, match.capturedStart(1) - last);
        last = match.capturedEnd(1);
        out += rewrite(match.captured(1));
    }
    out += QStringView(html).mid(last);
    return out;
}

bool PictureStore::isOutside(const QString &path, const QString &folder)
{
    const QString base = QDir(folder).canonicalPath();
    const QString dir = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    if (base.isEmpty() || dir.isEmpty())
        return true;
    return dir != base && !dir.startsWith(base + QLatin1Char('/'));
}
