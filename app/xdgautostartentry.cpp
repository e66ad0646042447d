#include "xdgautostartentry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

XdgAutoStartEntry::XdgAutoStartEntry(const QString &configHome)
    : m_configHome(configHome)
{
}

QString XdgAutoStartEntry::entryPath() const
{
    QString home = m_configHome;
    if (home.isEmpty())
        home = qEnvironmentVariable("XDG_CONFIG_HOME");
    // By the XDG base directory rules a relative XDG_CONFIG_HOME is invalid.
    if (home.isEmpty() || QDir::isRelativePath(home))
        home = QDir::homePath() + QLatin1String("/.config");
    return home + QLatin1String("/autostart/velmonote.desktop");
}

bool XdgAutoStartEntry::exists() const
{
    return QFileInfo::exists(entryPath());
}

bool XdgAutoStartEntry::create(const QString &program, const QString &workingDirectory)
{
    const QString path = entryPath();
    if (QFileInfo::exists(path))
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entryText(program, workingDirectory));
    return file.commit();
}

bool XdgAutoStartEntry::remove()
{
    const QString path = entryPath();
    return !QFileInfo::exists(path) || QFile::remove(path);
}

QString XdgAutoStartEntry::escapeString(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

QString XdgAutoStartEntry::quoteExecArgument(const QString &argument)
{
    // Reserved characters force quoting; inside quotes ", `, $ and \ take a
    // backslash. A literal % is always doubled (field codes start with %).
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument) {
        if (reserved.contains(c)) {
            needsQuotes = true;
            break;
        }
    }
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('%')) {
            out += QLatin1String("%%");
        } else if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`')
                                   || c == QLatin1Char('$') || c == QLatin1Char('\\'))) {
            out += QLatin1Char('\\');
            out += c;
        } else {
            out += c;
        }
    }
    if (needsQuotes)
        out = QLatin1Char('"') + out + QLatin1Char('"');
    return out;
}

QByteArray XdgAutoStartEntry::entryText(const QString &program, const QString &workingDirectory)
{
    // The Exec value is itself a string value, so the quoted command line
    // goes through the string escapes as well (a backslash ends up as four).
    const QString exec = escapeString(quoteExecArgument(program) + QLatin1String(" -Hide"));
    QString text;
    text += QLatin1String("[Desktop Entry]\n");
    text += QLatin1String("Type=Application\n");
    text += QLatin1String("Name=Velmo Note\n");
    text += QLatin1String("Comment=Sticky notes in the system tray\n");
    text += QLatin1String("Exec=") + exec + QLatin1Char('\n');
    text += QLatin1String("Path=") + escapeString(workingDirectory) + QLatin1Char('\n');
    text += QLatin1String("Terminal=false\n");
    return text.toUtf8();
}
