#include "notesearch.h"

#include "textmatcher.h"

namespace {
/// Words remembered at most; typing rarely goes further back.
constexpr int MaxWords = 64;
}

quint32 NoteSearch::pairBit(QChar a, QChar b)
{
    const quint32 mixed = (quint32(a.unicode()) * 0x9E3779B1u) ^ (quint32(b.unicode()) * 0x85EBCA77u);
    return (mixed >> 7) & (PairBits - 1);
}

void NoteSearch::setText(Key key, const QString &plainText)
{
    Entry entry;
    entry.plain = plainText;
    entry.folded = plainText.toCaseFolded();
    // Positions in the folded copy are positions in the text only while
    // folding keeps every character one character.
    if (entry.folded.size() != plainText.size()) {
        entry.folded = QString();
    } else {
        entry.pairs.assign(PairBits / 64, 0);
        const QChar *c = entry.folded.constData();
        for (qsizetype i = 0; i + 1 < entry.folded.size(); ++i) {
            const quint32 bit = pairBit(c[i], c[i + 1]);
            entry.pairs[bit / 64] |= quint64(1) << (bit % 64);
        }
    }
    m_entries.insert(key, entry);
    forgetWords();
}

void NoteSearch::remove(Key key)
{
    if (m_entries.remove(key))
        forgetWords();
}

void NoteSearch::forgetWords() { m_words.clear(); }

bool NoteSearch::mayContain(const Entry &entry, const QString &folded)
{
    if (entry.pairs.empty())
        return true;
    for (qsizetype i = 0; i + 1 < folded.size(); ++i) {
        const quint32 bit = pairBit(folded.at(i), folded.at(i + 1));
        if (!(entry.pairs[bit / 64] & (quint64(1) << (bit % 64))))
            return false;
    }
    return true;
}

NoteSearch::Matches NoteSearch::match(const QString &word, const QString &folded, const QList<Key> &order,
                                      const Matches *shorter) const
{
    Matches found;
    TextMatcher::Options exact;
    exact.caseSensitive = true;
    const bool sameLength = folded.size() == word.size();
    for (const Key key : order) {
        qsizetype from = 0;
        if (shorter) {
            // Every match of the word is a match of the shorter word, at the same place.
            const auto it = shorter->constFind(key);
            if (it == shorter->constEnd())
                continue;
            from = it->start;
        }
        const auto it = m_entries.constFind(key);
        if (it == m_entries.constEnd())
            continue;
        TextMatcher::Match at;
        if (it->folded.isNull() || !sameLength)
            at = TextMatcher::findFirst(it->plain, word, TextMatcher::Options(), from);
        else if (mayContain(*it, folded))
            at = TextMatcher::findFirst(it->folded, folded, exact, from);
        if (at.length > 0)
            found.insert(key, {at.start, at.length});
    }
    return found;
}

NoteSearch::Result NoteSearch::find(const QString &word, const QList<Key> &order, int limit)
{
    Result result;
    if (word.isEmpty())
        return result;
    const QString folded = word.toCaseFolded();
    auto known = m_words.constFind(folded);
    if (known == m_words.constEnd()) {
        // The longest word searched before that this one starts with.
        const Matches *shorter = nullptr;
        for (qsizetype length = folded.size() - 1; length > 0 && !shorter; --length) {
            const auto it = m_words.constFind(folded.left(length));
            if (it != m_words.constEnd())
                shorter = &*it;
        }
        Matches found = match(word, folded, order, shorter);
        if (m_words.size() >= MaxWords)
            m_words.clear();
        known = m_words.insert(folded, std::move(found));
    }
    for (const Key key : order) {
        const auto it = known->constFind(key);
        if (it == known->constEnd())
            continue;
        ++result.total;
        if (result.shown.size() < limit)
            result.shown.append({key, it->start, it->length});
    }
    return result;
}
