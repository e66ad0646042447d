#pragma once

// Test sounds made at test time: a 440 Hz tone as wav (sox) and mp3 (lame),
// and files that are not sounds at all.

#include <QFile>
#include <QProcess>
#include <QString>

namespace TestSounds {

inline bool run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

/// A stereo tone of the given length in seconds at dir/name.wav; returns its path.
inline QString wav(const QString &dir, const QString &name, double seconds = 1.5)
{
    const QString path = dir + QLatin1Char('/') + name + QLatin1String(".wav");
    const bool made = run(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                                  QStringLiteral("-c"), QStringLiteral("2"), path, QStringLiteral("synth"),
                                                  QString::number(seconds), QStringLiteral("sine"), QStringLiteral("440"),
                                                  QStringLiteral("vol"), QStringLiteral("0.5")});
    return made ? path : QString();
}

/// The same tone encoded as mp3.
inline QString mp3(const QString &dir, const QString &name, double seconds = 1.5)
{
    const QString source = wav(dir, name + QLatin1String("-source"), seconds);
    const QString path = dir + QLatin1Char('/') + name + QLatin1String(".mp3");
    if (source.isEmpty() || !run(QStringLiteral("lame"), {QStringLiteral("--quiet"), source, path}))
        return QString();
    return path;
}

/// A file named like a sound that holds no sound.
inline QString junk(const QString &dir, const QString &name)
{
    const QString path = dir + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray bytes(6000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) % 251);
    file.write(bytes);
    return path;
}

}
