#pragma once

#include <QString>

/// The "start with the system" setting: an entry that the desktop session
/// reads at login to start the program hidden. Implementations decide where
/// the entry lives; an operation that fails leaves things as they were, and
/// the caller asks exists() afterwards to tell the user the truth.
class AutoStartEntry
{
public:
    virtual ~AutoStartEntry() = default;

    /// True when an entry exists (whatever it points at).
    virtual bool exists() const = 0;
    /// Creates the entry unless one exists already; an existing entry is left
    /// untouched. Returns whether an entry exists afterwards.
    virtual bool create(const QString &program, const QString &workingDirectory) = 0;
    /// Removes the entry; a missing entry is not an error.
    virtual bool remove() = 0;
};
