#pragma once

#include "autostartentry.h"

/// Start-with-the-system on freedesktop desktops: a desktop entry named
/// "velmonote.desktop" in $XDG_CONFIG_HOME/autostart (~/.config/autostart when
/// unset) that runs the program with "-Hide" in its working directory.
/// Launchers ignore a disabled flag in such files, so switching off deletes it.
class XdgAutoStartEntry : public AutoStartEntry
{
public:
    /// configHome empty: taken from the environment at each call.
    explicit XdgAutoStartEntry(const QString &configHome = QString());

    bool exists() const override;
    bool create(const QString &program, const QString &workingDirectory) override;
    bool remove() override;

    QString entryPath() const;

    /// The whole file for program and workingDirectory.
    static QByteArray entryText(const QString &program, const QString &workingDirectory);
    /// One argument of an Exec= line, quoted when the desktop entry rules ask for it.
    static QString quoteExecArgument(const QString &argument);
    /// A value of type string: backslash and control characters escaped.
    static QString escapeString(const QString &value);

private:
    QString m_configHome;
};
