#include "trashstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "checkedsave.h"
#include "picturetrash.h"
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {
const QLatin1String Suffix(".not");
const QLatin1String StampFormat("yyyyMMdd-HHmmss");
constexpr int FirstLineChars = 80;
/// What list() reads of each file: the name and the first line come early.
constexpr qint64 ListBytes = 64 * 1024;

const QRegularExpression &stampPattern()
{
    static const QRegularExpression pattern(QStringLiteral("-(\\d{8}-\\d{6})(?:-(\\d+))?\\.not$"));
    return pattern;
}

const QRegularExpression &namePattern()
{
    static const QRegularExpression pattern(QStringLiteral("<meta name=\"velmo-note-name\" content=\"([^\"]*)\" */?>"));
    return pattern;
}

/// The few entities a note's HTML holds (Qt writes these and numeric ones).
QString decodeEntities(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const int end = text.at(i) == QLatin1Char('&') ? text.indexOf(QLatin1Char(';'), i) : -1;
        if (end < 0 || end - i > 10) {
            out += text.at(i);
            continue;
        }
        const QStringView entity = QStringView(text).mid(i + 1, end - i - 1);
        char32_t code = 0;
        if (entity == u"amp")
            code = '&';
        else if (entity == u"lt")
            code = '<';
        else if (entity == u"gt")
            code = '>';
        else if (entity == u"quot")
            code = '"';
        else if (entity == u"apos")
            code = '\'';
        else if (entity == u"nbsp")
            code = ' ';
        else if (entity.startsWith(u"#x") || entity.startsWith(u"#X"))
            code = entity.mid(2).toUInt(nullptr, 16);
        else if (entity.startsWith(u'#'))
            code = entity.mid(1).toUInt();
        if (code == 0 || code > 0x10FFFF) {
            out += text.at(i);
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = end;
    }
    return out;
}

bool isBlockTag(QStringView name)
{
    static const char *const blocks[] = {"p", "br", "div", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6",
                                         "ul", "ol", "table", "hr", "pre", "blockquote", "body"};
    for (const char *block : blocks) {
        if (name.compare(QLatin1String(block), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString randomBase()
{
    return QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, QLatin1Char('0'));
}

/// A file that may be an entry: a regular file, not a link, named "*.not".
bool isEntry(const QFileInfo &info)
{
    return info.isFile() && !info.isSymLink() && info.fileName().endsWith(Suffix);
}

QString readText(const QString &path, qint64 limit, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return QString();
    }
    const QByteArray bytes = file.read(limit);
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return QString();
    }
    // As note files are written: in the system's encoding.
    QStringDecoder decoder(QStringDecoder::System);
    QString text = decoder(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}
} // namespace

TrashStore::TrashStore(const QString &folder)
    : m_trash(QDir(folder).absoluteFilePath(folderName()))
{
}

TrashStore::PutResult TrashStore::put(const QString &name, const QString &html, const QDateTime &time) const
{
    PutResult result;
    if (!QDir().mkpath(m_trash)) {
        result.error = QStringLiteral("cannot create the folder %1").arg(m_trash);
        return result;
    }
    const QString stem = m_trash + QLatin1Char('/') + randomBase() + QLatin1Char('-') + time.toLocalTime().toString(StampFormat);
    QString path = stem + Suffix;
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = stem + QLatin1Char('-') + QString::number(n) + Suffix;

    // The name goes into the head, where the editor ignores it; a text with
    // no head gets the element in front.
    const QString meta = QStringLiteral("<meta name=\"velmo-note-name\" content=\"%1\" />")
                             .arg(QString(name).replace(QLatin1Char('\n'), QLatin1Char(' ')).toHtmlEscaped());
    static const QRegularExpression head(QStringLiteral("<head(\\s[^>]*)?>"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = head.match(html);
    QString text = html;
    text.insert(match.hasMatch() ? match.capturedEnd() : 0, meta);

    QStringEncoder encoder(QStringEncoder::System);
    result.error = CheckedSave::write(path, encoder(text));
    if (!result.error.isEmpty())
        return result;
    result.ok = true;
    result.file = path;
    return result;
}

QString TrashStore::notebookFolder() const
{
    return QFileInfo(m_trash).path();
}

QList<TrashStore::File> TrashStore::files() const
{
    QList<File> found;
    const QFileInfoList infos = QDir(m_trash).entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    for (const QFileInfo &info : infos) {
        if (!isEntry(info))
            continue;
        File file{info.absoluteFilePath(), QDateTime(), 1};
        const QRegularExpressionMatch stamp = stampPattern().match(info.fileName());
        if (stamp.hasMatch()) {
            file.deleted = QDateTime::fromString(stamp.captured(1), StampFormat);
            if (stamp.hasCaptured(2))
                file.sequence = stamp.captured(2).toInt();
        }
        // A file named otherwise (put there by hand) counts from its last change.
        if (!file.deleted.isValid())
            file.deleted = info.lastModified();
        found << file;
    }
    // Newest first; in one second "-2" came after the plain name.
    std::sort(found.begin(), found.end(), [](const File &a, const File &b) {
        if (a.deleted != b.deleted)
            return a.deleted > b.deleted;
        return a.sequence != b.sequence ? a.sequence > b.sequence : a.path > b.path;
    });
    return found;
}

QList<TrashStore::Entry> TrashStore::list() const
{
    QList<Entry> entries;
    for (const File &file : files()) {
        Entry entry{file.path, QString(), file.deleted, QString()};
        QString error;
        const QString text = readText(file.path, ListBytes, &error);
        entry.firstLine = firstLineOf(text);
        const QRegularExpressionMatch name = namePattern().match(text);
        entry.name = name.hasMatch() ? decodeEntities(name.captured(1)) : entry.firstLine;
        entries << entry;
    }
    return entries;
}

TrashStore::Taken TrashStore::take(const Entry &entry) const
{
    Taken taken;
    const QFileInfo info(entry.file);
    if (!isEntry(info) || info.absolutePath() != m_trash) {
        taken.error = QStringLiteral("%1 is not in %2").arg(entry.file, m_trash);
        return taken;
    }
    if (info.size() > MaxBytes) {
        taken.error = QStringLiteral("%1 bytes, more than a note may hold").arg(info.size());
        return taken;
    }
    QString text = readText(entry.file, MaxBytes + 1, &taken.error);
    if (!taken.error.isEmpty())
        return taken;
    const QRegularExpressionMatch name = namePattern().match(text);
    if (name.hasMatch()) {
        taken.name = decodeEntities(name.captured(1));
        text.remove(name.capturedStart(), name.capturedLength());
    } else {
        taken.name = firstLineOf(text);
    }
    QFile file(entry.file);
    if (!file.remove()) {
        taken.error = file.errorString();
        return taken;
    }
    taken.html = text;
    taken.ok = true;
    // The pictures it dropped when it was deleted come back with it.
    const QStringList lost = PictureTrash(notebookFolder()).bringBack(PictureTrash::referencedBy(text));
    if (!lost.isEmpty())
        taken.error = lost.join(QLatin1Char('\n'));
    return taken;
}

int TrashStore::prune(const QDateTime &now, QStringList *errors) const
{
    const QDateTime limit = now.addDays(-KeepDays);
    QList<File> kept;
    QList<File> doomed;
    for (const File &file : files())
        (file.deleted < limit ? doomed : kept) << file;
    // kept is newest first: what lies past the cap is the oldest.
    while (kept.size() > MaxEntries)
        doomed << kept.takeLast();
    int removed = 0;
    for (const File &file : std::as_const(doomed)) {
        QFile f(file.path);
        if (f.remove())
            ++removed;
        else if (errors)
            *errors << file.path + QLatin1String(": ") + f.errorString();
    }
    // Pictures dropped with notes go with them; those an entry that stays
    // refers to are kept whatever their age.
    const auto stillReferenced = [this, &kept] {
        QSet<QString> names;
        for (const File &file : std::as_const(kept)) {
            QString error;
            names.unite(PictureTrash::referencedBy(readText(file.path, MaxBytes, &error)));
        }
        return names;
    };
    removed += PictureTrash(notebookFolder()).prune(now, KeepDays, stillReferenced, errors);
    return removed;
}

QString TrashStore::firstLineOf(const QString &html)
{
    const bool isHtml = html.trimmed().startsWith(QLatin1Char('<'));
    if (!isHtml) {
        const QStringList lines = html.split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QString trimmed = line.simplified();
            if (!trimmed.isEmpty())
                return trimmed.left(FirstLineChars);
        }
        return QString();
    }
    QString line;
    const int size = html.size();
    for (int i = 0; i < size;) {
        const QChar c = html.at(i);
        if (c != QLatin1Char('<')) {
            const int next = html.indexOf(QLatin1Char('<'), i);
            line += QStringView(html).mid(i, (next < 0 ? size : next) - i);
            i = next < 0 ? size : next;
            continue;
        }
        if (QStringView(html).mid(i).startsWith(u"<!--")) {
            const int end = html.indexOf(QLatin1String("-->"), i);
            i = end < 0 ? size : end + 3;
            continue;
        }
        const int close = html.indexOf(QLatin1Char('>'), i);
        if (close < 0)
            break;
        QStringView tag = QStringView(html).mid(i + 1, close - i - 1);
        const bool closing = tag.startsWith(u'/');
        if (closing)
            tag = tag.mid(1);
        int nameEnd = 0;
        while (nameEnd < tag.size() && tag.at(nameEnd).isLetterOrNumber())
            ++nameEnd;
        const QStringView name = tag.left(nameEnd);
        i = close + 1;
        // What these hold is never shown.
        if (!closing && (name.compare(u"head", Qt::CaseInsensitive) == 0 || name.compare(u"style", Qt::CaseInsensitive) == 0
                         || name.compare(u"script", Qt::CaseInsensitive) == 0
                         || name.compare(u"title", Qt::CaseInsensitive) == 0)) {
            const int end = html.indexOf(QLatin1String("</") + name.toString(), i, Qt::CaseInsensitive);
            i = end < 0 ? size : end;
            continue;
        }
        if (isBlockTag(name)) {
            const QString text = decodeEntities(line).simplified();
            if (!text.isEmpty())
                return text.left(FirstLineChars);
            line.clear();
        }
    }
    return decodeEntities(line).simplified().left(FirstLineChars);
}
