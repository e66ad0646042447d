#include "notefile.h"

#include "checkedsave.h"
#include "htmlnesting.h"
#include "picturestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextDocument>

namespace {
QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
}

bool isParagraphSeparator(QChar c)
{
    // What QTextDocument starts a new block at in plain text.
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator;
}

/// Characters beside which a line may always break (CJK ideographs, kana,
/// Hangul, full-width forms).
bool isCjk(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7AF) || (u >= 0xF900 && u <= 0xFAFF)
        || (u >= 0xFF00 && u <= 0xFFEF);
}

/// Tags at which the HTML reader starts a new paragraph (or table cell).
bool startsParagraph(QStringView name)
{
    static const char *const names[] = {"p", "div", "li", "td", "th", "tr", "table", "ul", "ol", "dl", "dt", "dd",
                                        "h1", "h2", "h3", "h4", "h5", "h6", "hr", "pre", "blockquote",
                                        "html", "head", "body", "center"};
    for (const char *known : names) {
        if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
}

NoteFile::ReadResult NoteFile::read(const QString &path)
{
    ReadResult result;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    if (file.size() > MaxBytes) {
        result.tooLarge = true;
        result.error = tr("文件有 %1 MB，便签最多能打开 %2 MB 的文件，没有打开它").arg(megabytes(file.size()), megabytes(MaxBytes));
        return result;
    }
    // Read and decoded a megabyte at a time: the file's bytes and its text
    // are never both in memory whole. The decoder carries a character cut
    // between two reads over to the next.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QByteArray raw; // kept only while the bytes are not UTF-8, to read them again as Latin-1
    // No encoding gives more UTF-16 units than bytes; pages not written to cost nothing.
    result.text.reserve(file.size());
    // Asked for no more than the file holds (and a byte to see it end): a
    // megabyte asked for a small note is a buffer that glibc takes from the
    // system and hands back at every read, hundreds of times at start.
    const qint64 chunk = qBound(qint64(4096), file.size() + 1, qint64(1024 * 1024));
    qint64 total = 0;
    for (;;) {
        const QByteArray bytes = file.read(chunk);
        if (file.error() != QFileDevice::NoError) {
            result.error = file.errorString();
            result.text = QString();
            return result;
        }
        if (bytes.isEmpty())
            break;
        total += bytes.size();
        // Text has no NUL bytes; anything else is not a note. A file that
        // grew past the limit since it was measured is refused too.
        if (bytes.contains('\0') || total > MaxBytes) {
            result.error = total > MaxBytes ? file.errorString() : QStringLiteral("not a text file");
            result.text = QString();
            return result;
        }
        if (!result.notUtf8) {
            result.text += decoder(bytes);
            if (decoder.hasError()) {
                // Shown as the bytes they most likely were (Latin-1), never
                // as replacement characters that a save would write back.
                result.notUtf8 = true;
                result.text = QString();
                total = 0;
                if (!file.seek(0)) {
                    result.error = file.errorString();
                    return result;
                }
                continue;
            }
        } else {
            raw += bytes;
        }
    }
    if (result.notUtf8)
        result.text = QString::fromLatin1(raw);
    // Text mode: line ends become plain line feeds.
    result.text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.format = formatOf(result.text);
    const Shape shape = shapeOf(result.text, result.format);
    if (shape.longestParagraph > MaxParagraphChars) {
        result.error = tr("文件中有一段长达 %1 个字符，便签一段最多能显示 %2 个字符，没有打开它")
                           .arg(shape.longestParagraph)
                           .arg(MaxParagraphChars);
    } else if (shape.longestWord > MaxWordChars) {
        result.error = tr("文件中有一串长达 %1 个字符、中间不能换行的文字，便签最多能显示 %2 个字符的一串，没有打开它")
                           .arg(shape.longestWord)
                           .arg(MaxWordChars);
    } else if (shape.lines > MaxLines) {
        result.error = tr("文件有 %1 行，便签最多能显示 %2 行，没有打开它").arg(shape.lines).arg(MaxLines);
    } else if (shape.mostTags > MaxParagraphTags) {
        result.error = tr("文件中有一段带有 %1 个格式标记，便签一段最多能显示 %2 个，没有打开它")
                           .arg(shape.mostTags)
                           .arg(MaxParagraphTags);
    }
    if (!result.error.isEmpty()) {
        result.tooLarge = true;
        result.text = QString();
        return result;
    }
    result.ok = true;
    return result;
}

bool NoteFile::isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

NoteFile::Format NoteFile::formatOf(const QString &text)
{
    // mightBeRichText looks only at the start of the text: cheap at any size.
    return Qt::mightBeRichText(text) ? Format::Html : Format::PlainText;
}

NoteFile::Shape NoteFile::shapeOf(const QString &text, Format format)
{
    Shape shape;
    qsizetype paragraph = 0;
    qsizetype word = 0;
    qsizetype tags = 0;
    const auto endWord = [&] {
        shape.longestWord = std::max(shape.longestWord, word);
        word = 0;
    };
    const auto endParagraph = [&] {
        endWord();
        shape.longestParagraph = std::max(shape.longestParagraph, paragraph);
        shape.mostTags = std::max(shape.mostTags, tags);
        paragraph = 0;
        tags = 0;
    };
    const auto addChar = [&](QChar c) {
        ++paragraph;
        if (c.isSpace()) {
            endWord();
        } else if (isCjk(c)) {
            endWord();
            word = 1;
            endWord();
        } else {
            ++word;
        }
    };
    const bool html = format == Format::Html;
    int preDepth = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (html && c == QLatin1Char('<')) {
            // A tag: its name decides; its attributes are no text. Without
            // a closing '>' the rest counts as text, as the reader keeps it.
            const qsizetype end = text.indexOf(QLatin1Char('>'), i + 1);
            if (end >= 0) {
                const auto [name, closing] = HtmlNesting::tagName(text, i, end);
                if (startsParagraph(name)) {
                    endParagraph();
                    if (name.compare(QLatin1String("pre"), Qt::CaseInsensitive) == 0)
                        preDepth = closing ? std::max(0, preDepth - 1) : preDepth + 1;
                } else {
                    ++tags;
                }
                i = end;
                continue;
            }
        }
        // "\r\n" ends one line.
        if (!html && (isParagraphSeparator(c) || c == QChar::LineSeparator)
            && !(c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n')))
            ++shape.lines;
        if (isParagraphSeparator(c) && (!html || preDepth > 0))
            endParagraph();
        else
            addChar(c);
    }
    endParagraph();
    if (!html)
        ++shape.lines;
    return shape;
}

QString NoteFile::write(const QString &path, const QString &source)
{
    // A note file of the user's own, outside the notebook folder (the
    // working directory), carries its pictures along.
    const QString html = source.contains(QLatin1String("src=\"pictures/"))
            && PictureStore::isOutside(path, QDir::currentPath())
        ? PictureStore(QDir::currentPath()).embed(source)
        : source;
    QStringEncoder encoder(QStringEncoder::System);
    return CheckedSave::write(path, encoder(html));
}

QString NoteFile::savePath(const QString &path)
{
    if (QFileInfo(path).suffix() == QLatin1String("not"))
        return path;
    return path + QLatin1String(".not");
}
