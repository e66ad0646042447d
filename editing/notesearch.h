#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <vector>

/// Finds a word in many notes' plain texts at typing speed: the first match
/// in each note, in the order the caller lists the notes. Matching is
/// TextMatcher's, case-insensitive.
///
/// Each note's text is given once (setText) and kept with its case-folded
/// copy and a map of the pairs of characters in it, so a keystroke costs
/// at most one plain search per note and none in a note that lacks a pair
/// of the word. While the word grows (typing on), only the notes that
/// matched the shorter word are searched, from where it matched; the words
/// typed since the last change of any text are remembered, so taking keys
/// back costs nothing. Notes are named by a key of the caller's choosing.
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
    static constexpr int PairBits = 1 << 15;
    struct Entry
    {
        QString plain;
        QString folded;               // null when folding changed the text's length
        std::vector<quint64> pairs;   // a bit per hashed pair of folded characters
    };
    struct Found
    {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    using Matches = QHash<Key, Found>;

    static quint32 pairBit(QChar a, QChar b);
    static bool mayContain(const Entry &entry, const QString &folded);
    /// The matches of word in the notes of order, searching only candidates
    /// (null: all) from where their entry in candidates says.
    Matches match(const QString &word, const QString &folded, const QList<Key> &order, const Matches *shorter) const;
    void forgetWords();

    QHash<Key, Entry> m_entries;
    QHash<QString, Matches> m_words; // folded words searched since the last change of a text
};
