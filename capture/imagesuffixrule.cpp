#include "imagesuffixrule.h"

#include <QFileInfo>
#include <QImageWriter>

QString ImageSuffixRule::apply(const QString &fileName, const QString &selectedFilter)
{
    // Cancelling the dialog gives no name: appending to it would invent one.
    if (fileName.isEmpty())
        return fileName;
    // A suffix the user typed says which format they want.
    if (!knownSuffixFormat(fileName).isEmpty())
        return fileName;
    const QString kind = selectedFilter.left(3);
    const QString ending = fileName.right(3);
    QString result = fileName;
    if (kind == QLatin1String("JPG") && ending != QLatin1String("jpg"))
        result += QLatin1String(".jpg");
    if (kind == QLatin1String("PNG") && ending != QLatin1String("png"))
        result += QLatin1String(".png");
    if (kind == QLatin1String("BMP") && ending != QLatin1String("bmp"))
        result += QLatin1String(".bmp");
    return result;
}

QByteArray ImageSuffixRule::filterFormat(const QString &selectedFilter)
{
    const QString kind = selectedFilter.left(3);
    if (kind == QLatin1String("JPG"))
        return QByteArrayLiteral("jpg");
    if (kind == QLatin1String("PNG"))
        return QByteArrayLiteral("png");
    if (kind == QLatin1String("BMP"))
        return QByteArrayLiteral("bmp");
    return QByteArray();
}

QByteArray ImageSuffixRule::knownSuffixFormat(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return QByteArrayLiteral("png");
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return QByteArrayLiteral("jpg");
    if (suffix == QLatin1String("bmp"))
        return QByteArrayLiteral("bmp");
    return QByteArray();
}

QByteArray ImageSuffixRule::format(const QString &fileName, const QString &selectedFilter)
{
    const QByteArray known = knownSuffixFormat(fileName);
    if (!known.isEmpty())
        return known;
    const QByteArray suffix = QFileInfo(fileName).suffix().toLatin1().toLower();
    if (!suffix.isEmpty() && QImageWriter::supportedImageFormats().contains(suffix))
        return suffix;
    return filterFormat(selectedFilter);
}
