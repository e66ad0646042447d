#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <vector>

// As Xlib declares them; Xlib's own header would bring macros (None, Bool)
// that break Qt headers included after this one.
typedef struct _XDisplay Display;
typedef unsigned long KeySym;

/// The monotonic clock, in microseconds.
qint64 nowUs();

/// The middle value (the mean of the two middle ones for an even count), 0
/// for none.
double median(std::vector<double> values);

/// Runs the event loop for ms milliseconds, so that this process's own
/// windows keep painting while it waits.
void spin(int ms);

/// Presses the keys of syms in order and releases them in reverse, through
/// XTest, as a user's chord.
void pressKeys(Display *display, std::initializer_list<KeySym> syms);

/// What both races take on their command line: --velmo PATH (required),
/// --runs N and --no-flameshot; other arguments are ignored unless takeOwn
/// takes them.
struct RaceOptions
{
    /// Given the arguments and the index of the one at hand, says whether it
    /// took that one, moving the index past any value it read.
    using OwnOption = std::function<bool(const QStringList &args, int &i)>;

    explicit RaceOptions(int defaultRuns)
        : runs(defaultRuns)
    {
    }

    QString velmoPath;
    int runs;
    bool withFlameshot = true;

    /// False, with usage on stderr, when no program to race was named.
    bool parse(const QStringList &args, const char *usage, const OwnOption &takeOwn = {});
};

/// Velmo Note and, when asked, the Flameshot daemon, started in a temporary
/// home of their own so that neither reads the user's settings. Flameshot
/// gets a settings file with its welcome and notifications off, followed by
/// the caller's extra lines; Velmo Note starts hidden and works in work/ of
/// that home. Both are ended by stop() or when the rig goes.
class RaceRig
{
public:
    explicit RaceRig(const QByteArray &extraFlameshotIni = {});
    ~RaceRig();

    /// The environment both run in: the system's with HOME set. Changes made
    /// before start() reach both programs.
    QProcessEnvironment env;

    QString filePath(const QString &name) const { return m_home.filePath(name); }
    /// Starts both; false, with a message on stderr, when either does not.
    bool start(const QString &velmoPath, bool withFlameshot);

    /// Asks both to quit, and kills what has not after three seconds.
    void stop();

    QProcess velmo;
    QProcess flameshot;

private:
    QTemporaryDir m_home;
};
