#include "capturecommand.h"

#include <QRegularExpression>

QString CaptureCommand::forNotebook(const QString &program, const QString &onPath, const QString &folder,
                                    const QString &defaultFolder)
{
    QString command = !onPath.isEmpty() && onPath == program ? QStringLiteral("velmonote") : shellWord(program);
    command += QLatin1String(" -Capture");
    if (folder != defaultFolder)
        command += QLatin1String(" --notebook ") + shellWord(folder);
    return command;
}

QString CaptureCommand::shellWord(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./@%+=:,-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
