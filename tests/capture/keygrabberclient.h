#pragma once

#include <QProcess>
#include <QStringList>

/// Another X client holding Ctrl+Alt+C (the keygrabber helper program), for
/// the tests of a hot key that someone else has taken.
class KeyGrabberClient
{
public:
    KeyGrabberClient();
    ~KeyGrabberClient();
    /// Grabs the key with the given lock combinations ("plain", "caps",
    /// "num", "both"); true once the helper reports it holds them all.
    bool hold(const QStringList &combinations);
    /// Lets the key go and waits for the helper to end.
    void release();
    /// "free" when nobody holds any combination of the key, else "taken ...".
    static QString probe();

private:
    QProcess m_process;
};
