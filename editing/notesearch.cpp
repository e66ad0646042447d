#include "notesearch.h"

#include "textmatcher.h"

void NoteSearch::setText(Key key, const QString &plainText)
{
    Entry entry;
    entry.plain = plainText;
    entry.folded = plainText.toCaseFolded();
    // Positions in the folded copy are positions in the text only while
    // folding keeps every character one character.
    if (entry.folded.size() != plainText.size())
        entry.folded = QString();
    m_entries.insert(key, entry);
    m_lastWord.clear();
}

void NoteSearch::remove(Key key)
{
    if (m_entries.remove(key))
        m_lastWord.clear();
}

NoteSearch::Result NoteSearch::find(const QString &word, const QList<Key> &order, int limit)
{
    Result result;
    const QString folded = word.toCaseFolded();
    const bool narrowing = !m_lastWord.isEmpty() && folded.startsWith(m_lastWord);
    QSet<Key> matched;
    if (word.isEmpty()) {
        m_lastWord.clear();
        return result;
    }
    TextMatcher::Options exact;
    exact.caseSensitive = true;
    for (const Key key : order) {
        if (narrowing && !m_lastMatched.contains(key))
            continue;
        const auto it = m_entries.constFind(key);
        if (it == m_entries.constEnd())
            continue;
        const TextMatcher::Match match = it->folded.isNull() || folded.size() != word.size()
            ? TextMatcher::findFirst(it->plain, word, TextMatcher::Options())
            : TextMatcher::findFirst(it->folded, folded, exact);
        if (match.length == 0)
            continue;
        matched.insert(key);
        ++result.total;
        if (result.shown.size() < limit)
            result.shown.append({key, match.start, match.length});
    }
    m_lastWord = folded;
    m_lastMatched = std::move(matched);
    return result;
}
