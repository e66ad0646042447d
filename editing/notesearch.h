#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

/// Finds a word in many notes' plain texts at typing speed: the first match
/// in each note, in the order the caller lists the notes. Matching is
/// TextMatcher's, case-insensitive.
///
/// Each note's text is given once (setText) and kept with its case-folded
/// copy, so a keystroke costs one plain search per note, not a conversion.
/// While the word only grows (typing on), only the notes that matched the
/// shorter word are searched again; any change of a text forgets that.
/// Notes are named by a key of the caller's choosing.
class NoteSearch
{
public:
    using Key = quintptr;
    struct Hit
    {
        Key key = 0;
        qsizetype start = 0;
        qsizetype length = 0;
    };
    struct Result
    {
        QList<Hit> shown; // at most the limit given to find()
        int total = 0;    // notes that match, shown or not
    };

    void setText(Key key, const QString &plainText);
    void remove(Key key);
    bool contains(Key key) const { return m_entries.contains(key); }
    QString text(Key key) const { return m_entries.value(key).plain; }

    /// The notes of order (keys given to setText; others are skipped) that
    /// contain word, each with its first match. An empty word finds nothing.
    Result find(const QString &word, const QList<Key> &order, int limit);

private:
    struct Entry
    {
        QString plain;
        QString folded; // null when folding changed the text's length
    };
    QHash<Key, Entry> m_entries;
    QString m_lastWord;     // folded; empty when the narrowing below is void
    QSet<Key> m_lastMatched; // the notes that matched m_lastWord
};
