#pragma once

#include "clocksettings.h"
#include "tabrecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

/// What the notebook keeps beside tab.dat, in "notebook-state.json": the
/// settings tab.dat has no field for. tab.dat stays exactly as it is; this
/// is a plain value with its JSON form, the matching of its notes to
/// tab.dat's records, and the merge of two copies. Files are
/// NotebookStateFile's business.
///
/// Notes are keyed by something that survives renames and reordering: a
/// record bound to a note file by that file's path as tab.dat holds it (in
/// sync folder mode "notes/<id>.not"), any other record by a random key
/// ("k" and 16 hex digits) kept only here. For those the file also keeps
/// the records' order and names at write time, which is how a key finds its
/// record again: by position and name, then by a name no other note has.
class NotebookState
{
public:
    static constexpr int Version = 1;
    /// The desktop note's opacity, as its slider sets it (tenths).
    static constexpr int MinOpacity = 5;
    static constexpr int MaxOpacity = 10;
    /// The longest interval the reminder dialog takes.
    static constexpr int MaxMinutes = 99999;

    struct Note
    {
        /// Empty until bind() gives it one.
        QString key;
        /// The record's name when written (for matching only).
        QString name;
        /// False: the user never set a reminder (the note's dialog shows its defaults).
        bool hasReminder = false;
        ClockSettings reminder;
        /// A time reminder fell due while the program was not running and the user has not seen it yet.
        bool missed = false;
        bool readOnly = false;
        bool keepOnTop = false;
        int opacity = MaxOpacity;
        /// The note holds a capture pinned to the desktop; pictureOnly: shown bare.
        bool pinned = false;
        bool pictureOnly = false;
        /// When any of the above last changed (merges keep the newer note).
        QDateTime updated;

        /// Equal settings; key, name and updated do not count.
        bool sameSettings(const Note &other) const;
    };

    /// The main window. Per computer in sync folder mode.
    struct Window
    {
        /// Invalid: never saved (the window keeps its default place).
        QRect geometry;
        bool autoHide = false;
        bool operator==(const Window &o) const { return geometry == o.geometry && autoHide == o.autoHide; }
    };

    bool keepNewNotes = true;
    /// The user was told once how to bind a key to the capture where the
    /// desktop gives the program no hot key.
    bool captureKeyNoticeSeen = false;
    /// After bind() and match(): one per tab.dat record, in record order.
    /// As read: the file's notes in its order.
    QList<Note> notes;
    Window window;
    /// When the program last saved (missed reminders fell due after it).
    QDateTime lastRun;

    /// Per record, the note the file kept for it; records it has none for get
    /// defaults. A file-bound record is found by its path; any other by
    /// position and name, then by a name unique among the notes left.
    /// Notes no record takes are left out (so they are gone at the next write).
    static QList<Note> match(const QList<TabRecord> &records, const QList<Note> &notes);

    /// Makes notes one per record (missing ones default) and gives each its
    /// key and current name: the path for a file-bound record, else its
    /// random key, a new one when it has none or shares it. Call before
    /// writing, and keep the result: the keys must stay the same.
    void bind(const QList<TabRecord> &records);

    /// The file's text. includeWindow false leaves the window and lastRun
    /// out (sync folder mode keeps them per computer: see LocalState).
    QByteArray toJson(bool includeWindow = true) const;

    /// Reads the file's text; never fails: what cannot be read keeps its
    /// default, and problems gets one short line for each such thing (not
    /// JSON, a wrong type, a newer version), e.g.
    /// "notes.k12.opacity: not a number". No problems: read whole.
    static NotebookState fromJson(const QByteArray &json, QStringList *problems);

    /// A sync tool's conflict copy (other) merged into the local one: per key
    /// the note with the newer "updated" wins (the local one when equal);
    /// notes only in other are added after the local ones; window, lastRun
    /// and keepNewNotes stay local.
    static NotebookState merge(const NotebookState &local, const NotebookState &other);

    /// A reminder as JSON and back. Bad values read as the dialog's safe
    /// ones: an invalid moment switches the time reminder off, negative or
    /// absurd minutes switch the interval off, an empty sound is the default ring.
    static QJsonObject reminderToJson(const ClockSettings &reminder);
    static ClockSettings reminderFromJson(const QJsonObject &json, QStringList *problems = nullptr,
                                          const QString &where = QString());

    static QString newKey();
};
