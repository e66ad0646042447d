#include "notebookstate.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRandomGenerator>
#include <QSet>

#include <cctype>
#include <climits>

namespace {
const QLatin1String KeyPrefix("k");
constexpr int KeyHexDigits = 16;

QString utcText(const QDateTime &t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

/// Reads the fields of one JSON object, each with a fallback: a missing
/// field is simply the default, a field of the wrong type is a problem.
class FieldReader
{
public:
    FieldReader(const QJsonObject &object, QString where, QStringList *problems)
        : m_object(object), m_where(std::move(where)), m_problems(problems)
    {
    }

    bool boolean(const char *name, bool fallback) const
    {
        const QJsonValue value = m_object.value(QLatin1String(name));
        if (value.isUndefined())
            return fallback;
        if (!value.isBool())
            return complain(name, "not true or false"), fallback;
        return value.toBool();
    }
    /// An integer within [low, high]; anything else falls back.
    int integer(const char *name, int fallback, int low, int high) const
    {
        const QJsonValue value = m_object.value(QLatin1String(name));
        if (value.isUndefined())
            return fallback;
        if (!value.isDouble())
            return complain(name, "not a number"), fallback;
        const double d = value.toDouble();
        if (d != double(qint64(d)) || d < low || d > high)
            return complain(name, "out of range"), fallback;
        return int(d);
    }
    QString string(const char *name, const QString &fallback) const
    {
        const QJsonValue value = m_object.value(QLatin1String(name));
        if (value.isUndefined())
            return fallback;
        if (!value.isString())
            return complain(name, "not a string"), fallback;
        return value.toString();
    }
    /// A time as written by utcText() (or any ISO 8601 reading).
    QDateTime time(const char *name) const
    {
        const QString text = string(name, QString());
        if (text.isEmpty())
            return QDateTime();
        const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!t.isValid())
            complain(name, "not a time");
        return t;
    }
    QJsonObject object(const char *name) const
    {
        const QJsonValue value = m_object.value(QLatin1String(name));
        if (!value.isUndefined() && !value.isObject())
            complain(name, "not an object");
        return value.toObject();
    }
    void complain(const char *name, const char *what) const
    {
        if (m_problems)
            m_problems->append(m_where + QLatin1String(name) + QLatin1String(": ") + QLatin1String(what));
    }

private:
    QJsonObject m_object;
    QString m_where;
    QStringList *m_problems;
};

bool isRandomKey(const QString &key)
{
    if (key.size() != 1 + KeyHexDigits || !key.startsWith(KeyPrefix))
        return false;
    for (int i = 1; i < key.size(); ++i) {
        if (!isxdigit(key.at(i).unicode() < 128 ? key.at(i).toLatin1() : 'x'))
            return false;
    }
    return true;
}

QJsonObject noteToJson(const NotebookState::Note &note)
{
    QJsonObject object;
    object.insert(QLatin1String("name"), note.name);
    if (note.updated.isValid())
        object.insert(QLatin1String("updated"), utcText(note.updated));
    object.insert(QLatin1String("readOnly"), note.readOnly);
    object.insert(QLatin1String("keepOnTop"), note.keepOnTop);
    object.insert(QLatin1String("opacity"), note.opacity);
    object.insert(QLatin1String("missed"), note.missed);
    // Only pins carry these: the files of other notes stay as they were.
    if (note.pinned) {
        object.insert(QLatin1String("pinned"), true);
        object.insert(QLatin1String("pictureOnly"), note.pictureOnly);
    }
    if (note.hasReminder)
        object.insert(QLatin1String("reminder"), NotebookState::reminderToJson(note.reminder));
    return object;
}

NotebookState::Note noteFromJson(const QString &key, const QJsonObject &object, QStringList *problems)
{
    const QString where = QLatin1String("notes.") + key + QLatin1Char('.');
    const FieldReader field(object, where, problems);
    NotebookState::Note note;
    note.key = key;
    note.name = field.string("name", QString());
    note.updated = field.time("updated");
    note.readOnly = field.boolean("readOnly", false);
    note.keepOnTop = field.boolean("keepOnTop", false);
    note.opacity = field.integer("opacity", NotebookState::MaxOpacity, NotebookState::MinOpacity, NotebookState::MaxOpacity);
    note.missed = field.boolean("missed", false);
    note.pinned = field.boolean("pinned", false);
    note.pictureOnly = note.pinned && field.boolean("pictureOnly", false);
    const QJsonObject reminder = field.object("reminder");
    if (!reminder.isEmpty()) {
        note.hasReminder = true;
        note.reminder = NotebookState::reminderFromJson(reminder, problems, where + QLatin1String("reminder."));
    }
    return note;
}
} // namespace

bool NotebookState::Note::sameSettings(const Note &o) const
{
    const bool sameReminder = hasReminder == o.hasReminder
        && (!hasReminder
            || (reminder.timeActive == o.reminder.timeActive && reminder.remindTime == o.reminder.remindTime
                && reminder.gapActive == o.reminder.gapActive && reminder.gapRepeat == o.reminder.gapRepeat
                && reminder.gapMinutes == o.reminder.gapMinutes && reminder.ringPath == o.reminder.ringPath));
    return sameReminder && missed == o.missed && readOnly == o.readOnly && keepOnTop == o.keepOnTop
        && opacity == o.opacity && pinned == o.pinned && pictureOnly == o.pictureOnly;
}

QString NotebookState::newKey()
{
    const quint64 value = QRandomGenerator::system()->generate64();
    return KeyPrefix + QString::number(value, 16).rightJustified(KeyHexDigits, QLatin1Char('0'));
}

QJsonObject NotebookState::reminderToJson(const ClockSettings &reminder)
{
    QJsonObject object;
    object.insert(QLatin1String("time"), reminder.timeActive);
    // The wall-clock reading without a zone: the reminder recurs at that
    // reading whatever the offset of the day.
    if (reminder.remindTime.isValid())
        object.insert(QLatin1String("moment"), reminder.remindTime.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    object.insert(QLatin1String("interval"), reminder.gapActive);
    object.insert(QLatin1String("repeat"), reminder.gapRepeat);
    object.insert(QLatin1String("minutes"), reminder.gapMinutes);
    object.insert(QLatin1String("sound"), reminder.ringPath);
    return object;
}

ClockSettings NotebookState::reminderFromJson(const QJsonObject &json, QStringList *problems, const QString &where)
{
    const FieldReader field(json, where, problems);
    ClockSettings settings;
    const QString moment = field.string("moment", QString());
    if (!moment.isEmpty()) {
        settings.remindTime = QDateTime::fromString(moment, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (!settings.remindTime.isValid())
            field.complain("moment", "not a time");
    }
    settings.timeActive = field.boolean("time", false) && settings.remindTime.isValid();
    settings.gapMinutes = field.integer("minutes", 0, 0, MaxMinutes);
    settings.gapActive = field.boolean("interval", false) && settings.gapMinutes > 0;
    settings.gapRepeat = field.boolean("repeat", false);
    settings.ringPath = field.string("sound", ClockSettings::defaultRingPath());
    if (settings.ringPath.isEmpty())
        settings.ringPath = ClockSettings::defaultRingPath();
    return settings;
}

QList<NotebookState::Note> NotebookState::match(const QList<TabRecord> &records, const QList<Note> &notes)
{
    QList<Note> matched(records.size());
    QList<bool> recordDone(records.size(), false);
    QList<bool> noteUsed(notes.size(), false);
    const auto take = [&](int record, int note) {
        matched[record] = notes.at(note);
        recordDone[record] = true;
        noteUsed[note] = true;
    };

    // A file-bound record: by its path.
    QHash<QString, int> byKey;
    for (int n = 0; n < notes.size(); ++n)
        byKey.insert(notes.at(n).key, n);
    for (int r = 0; r < records.size(); ++r) {
        if (!records.at(r).fromFile)
            continue;
        const int n = byKey.value(records.at(r).pathOrText, -1);
        if (n >= 0 && !noteUsed.at(n))
            take(r, n);
    }
    // Any other: the note at its position under its name ...
    for (int r = 0; r < records.size(); ++r) {
        if (recordDone.at(r) || records.at(r).fromFile || r >= notes.size())
            continue;
        if (!noteUsed.at(r) && isRandomKey(notes.at(r).key) && notes.at(r).name == records.at(r).name)
            take(r, r);
    }
    // ... else the one note left with its name, when no other record left has it.
    QHash<QString, int> recordsByName;
    QHash<QString, int> notesByName;
    QHash<QString, int> noteNamed; // the last note left with a name
    for (int r = 0; r < records.size(); ++r) {
        if (!recordDone.at(r) && !records.at(r).fromFile)
            ++recordsByName[records.at(r).name];
    }
    for (int n = 0; n < notes.size(); ++n) {
        if (!noteUsed.at(n) && isRandomKey(notes.at(n).key)) {
            ++notesByName[notes.at(n).name];
            noteNamed.insert(notes.at(n).name, n);
        }
    }
    for (int r = 0; r < records.size(); ++r) {
        const QString &name = records.at(r).name;
        if (recordDone.at(r) || records.at(r).fromFile || recordsByName.value(name) != 1 || notesByName.value(name) != 1)
            continue;
        // Unique among the notes left: the one note of that name.
        take(r, noteNamed.value(name));
    }
    // Last, a plain note the file kept only by its place (no name, nothing
    // changed) keeps its key for the record still at that place.
    for (int r = 0; r < records.size() && r < notes.size(); ++r) {
        const Note &note = notes.at(r);
        if (!recordDone.at(r) && !records.at(r).fromFile && !noteUsed.at(r) && isRandomKey(note.key)
            && note.name.isEmpty() && !note.updated.isValid())
            take(r, r);
    }
    return matched;
}

void NotebookState::bind(const QList<TabRecord> &records)
{
    notes.resize(records.size());
    QSet<QString> used;
    for (int r = 0; r < records.size(); ++r) {
        Note &note = notes[r];
        const TabRecord &record = records.at(r);
        if (record.fromFile)
            note.key = record.pathOrText;
        else if (!isRandomKey(note.key) || used.contains(note.key))
            note.key = newKey();
        used.insert(note.key);
        note.name = record.name;
    }
}

QByteArray NotebookState::toJson(bool includeWindow) const
{
    QJsonObject root;
    root.insert(QLatin1String("version"), Version);
    root.insert(QLatin1String("keepNewNotes"), keepNewNotes);
    if (captureKeyNoticeSeen)
        root.insert(QLatin1String("captureKeyNoticeSeen"), true);
    if (includeWindow) {
        if (lastRun.isValid())
            root.insert(QLatin1String("lastRun"), utcText(lastRun));
        if (window.geometry.isValid()) {
            root.insert(QLatin1String("window"),
                        QJsonObject{{QLatin1String("x"), window.geometry.x()},
                                    {QLatin1String("y"), window.geometry.y()},
                                    {QLatin1String("width"), window.geometry.width()},
                                    {QLatin1String("height"), window.geometry.height()},
                                    {QLatin1String("autoHide"), window.autoHide}});
        }
    }
    QJsonArray order;
    QJsonObject byKey;
    QSet<QString> listed;
    const Note untouched;
    for (const Note &note : notes) {
        // Two records bound to one file share one entry.
        if (note.key.isEmpty() || listed.contains(note.key))
            continue;
        listed.insert(note.key);
        order.append(note.key);
        // A note nobody changed holds nothing to keep: its key alone keeps
        // the order's places (a notebook of many plain notes stays small).
        if (!note.updated.isValid() && note.sameSettings(untouched))
            continue;
        byKey.insert(note.key, noteToJson(note));
    }
    root.insert(QLatin1String("order"), order);
    root.insert(QLatin1String("notes"), byKey);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

NotebookState NotebookState::fromJson(const QByteArray &json, QStringList *problemsOut)
{
    NotebookState state;
    QStringList problems;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        if (problemsOut)
            *problemsOut << QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
        return state;
    }
    if (!document.isObject()) {
        if (problemsOut)
            *problemsOut << QStringLiteral("not a JSON object");
        return state;
    }
    const QJsonObject root = document.object();
    const FieldReader field(root, QString(), &problems);
    const int version = field.integer("version", 0, 0, INT_MAX);
    // A newer version is read as far as its fields mean what they mean
    // here; the file is kept aside all the same.
    if (version != Version)
        problems << QStringLiteral("version %1, this program reads version %2").arg(version).arg(Version);

    state.keepNewNotes = field.boolean("keepNewNotes", true);
    state.captureKeyNoticeSeen = field.boolean("captureKeyNoticeSeen", false);
    state.lastRun = field.time("lastRun");
    const QJsonObject window = field.object("window");
    if (!window.isEmpty()) {
        const FieldReader w(window, QStringLiteral("window."), &problems);
        constexpr int Far = 1 << 20;
        const QRect geometry(w.integer("x", 0, -Far, Far), w.integer("y", 0, -Far, Far), w.integer("width", 0, 0, Far),
                             w.integer("height", 0, 0, Far));
        if (geometry.isValid())
            state.window.geometry = geometry;
        state.window.autoHide = w.boolean("autoHide", false);
    }

    const QJsonObject notes = field.object("notes");
    QStringList keys;
    QSet<QString> seen;
    const QJsonValue order = root.value(QLatin1String("order"));
    if (!order.isUndefined() && !order.isArray())
        problems << QStringLiteral("order: not a list");
    const QJsonArray orderList = order.toArray();
    for (const QJsonValue &key : orderList) {
        if (!key.isString()) {
            problems << QStringLiteral("order: not a list of keys");
            continue;
        }
        if (!seen.contains(key.toString())) {
            seen.insert(key.toString());
            keys << key.toString();
        }
    }
    // Notes the order does not list (a hand edit) come after the rest.
    for (auto it = notes.begin(); it != notes.end(); ++it) {
        if (!seen.contains(it.key())) {
            seen.insert(it.key());
            keys << it.key();
        }
    }
    for (const QString &key : std::as_const(keys)) {
        const QJsonValue value = notes.value(key);
        if (value.isUndefined()) {
            // Listed with nothing to keep: a plain note holding its place.
            Note plain;
            plain.key = key;
            state.notes << plain;
            continue;
        }
        if (!value.isObject()) {
            problems << QLatin1String("notes.") + key + QLatin1String(": not an object");
            continue;
        }
        state.notes << noteFromJson(key, value.toObject(), &problems);
    }
    if (problemsOut)
        *problemsOut << problems;
    return state;
}

NotebookState NotebookState::merge(const NotebookState &local, const NotebookState &other)
{
    NotebookState merged = local;
    // Told on one computer is told for the notebook.
    merged.captureKeyNoticeSeen = local.captureKeyNoticeSeen || other.captureKeyNoticeSeen;
    QHash<QString, int> otherByKey;
    for (int n = 0; n < other.notes.size(); ++n)
        otherByKey.insert(other.notes.at(n).key, n);
    QSet<QString> seen;
    for (Note &note : merged.notes) {
        seen.insert(note.key);
        const int n = otherByKey.value(note.key, -1);
        if (n < 0)
            continue;
        const Note &theirs = other.notes.at(n);
        if (theirs.updated.isValid() && (!note.updated.isValid() || theirs.updated > note.updated))
            note = theirs;
    }
    for (const Note &theirs : other.notes) {
        if (!theirs.key.isEmpty() && !seen.contains(theirs.key)) {
            seen.insert(theirs.key);
            merged.notes << theirs;
        }
    }
    return merged;
}
