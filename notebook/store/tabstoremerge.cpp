#include "tabstoremerge.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace {
QHash<QString, TabRecord> byKey(const TabStoreData &data)
{
    QHash<QString, TabRecord> map;
    for (const TabRecord &record : data.records)
        map.insert(TabStoreMerge::keyOf(record), record);
    return map;
}

QStringList keys(const TabStoreData &data)
{
    QStringList list;
    for (const TabRecord &record : data.records)
        list << TabStoreMerge::keyOf(record);
    return list;
}

/// The keys of list that are also in other, in list's order.
QStringList common(const QStringList &list, const QStringList &other)
{
    QStringList result;
    for (const QString &key : list) {
        if (other.contains(key))
            result << key;
    }
    return result;
}

bool samePlace(const TabRecord &a, const TabRecord &b)
{
    return a.onScreen == b.onScreen && (!a.onScreen || a.geometry == b.geometry);
}

/// Inserts into order every key of from that order lacks, after the key it follows in from.
void insertMissing(QStringList *order, const QStringList &from, const QSet<QString> &wanted)
{
    for (int i = 0; i < from.size(); ++i) {
        const QString &key = from.at(i);
        if (order->contains(key) || !wanted.contains(key))
            continue;
        int at = 0;
        for (int j = i - 1; j >= 0; --j) {
            const int index = order->indexOf(from.at(j));
            if (index >= 0) {
                at = index + 1;
                break;
            }
        }
        order->insert(at, key);
    }
}
}

QString TabStoreMerge::keyOf(const TabRecord &record)
{
    if (record.fromFile)
        return QLatin1String("file:") + record.pathOrText;
    return QLatin1String("text:") + record.name + QLatin1Char('\n') + record.pathOrText;
}

TabStoreData TabStoreMerge::merge(const TabStoreData &base, const TabStoreData &local, const TabStoreData &remote,
                                  const QList<TabStoreData> &older)
{
    const QHash<QString, TabRecord> baseMap = byKey(base);
    const QHash<QString, TabRecord> localMap = byKey(local);
    const QHash<QString, TabRecord> remoteMap = byKey(remote);
    const QStringList baseKeys = keys(base);
    const QStringList localKeys = keys(local);
    const QStringList remoteKeys = keys(remote);

    // Which notes the result holds: every local one, and remote ones that
    // this computer did not remove since base.
    QSet<QString> wanted(localKeys.cbegin(), localKeys.cend());
    for (const QString &key : remoteKeys) {
        // Text records hold the note itself: kept even when gone here
        // (this computer moved it into a file and matches it by its text).
        if (!localMap.contains(key) && (!baseMap.contains(key) || !remoteMap.value(key).fromFile))
            wanted.insert(key);
    }

    // Did either side reorder the notes they share with base? An order this
    // computer had before is no reordering, only an old tab.dat.
    const bool localMoved = common(localKeys, baseKeys) != common(baseKeys, localKeys);
    bool remoteMoved = common(remoteKeys, baseKeys) != common(baseKeys, remoteKeys);
    for (const TabStoreData &was : older) {
        const QStringList wasKeys = keys(was);
        if (remoteMoved && common(remoteKeys, wasKeys) == common(wasKeys, remoteKeys)
            && common(wasKeys, baseKeys) != common(baseKeys, wasKeys))
            remoteMoved = false;
    }
    const bool takeRemoteOrder = remoteMoved && !localMoved;
    QStringList order;
    const QStringList &first = takeRemoteOrder ? remoteKeys : localKeys;
    const QStringList &second = takeRemoteOrder ? localKeys : remoteKeys;
    for (const QString &key : first) {
        if (wanted.contains(key))
            order << key;
    }
    insertMissing(&order, second, wanted);

    TabStoreData merged;
    for (const QString &key : order) {
        const auto localIt = localMap.constFind(key);
        const auto remoteIt = remoteMap.constFind(key);
        if (localIt == localMap.constEnd()) {
            merged.records << *remoteIt;
            continue;
        }
        TabRecord record = *localIt;
        if (remoteIt != remoteMap.constEnd()) {
            const auto baseIt = baseMap.constFind(key);
            // A note both list that base lacks came here as a file before
            // the other computer's tab.dat: its name and place are that
            // computer's (here it only got a name from its first line).
            const bool known = baseIt != baseMap.constEnd();
            // Otherwise taken from the other computer only what it alone
            // changed: neither base's value nor one this computer had before.
            bool staleName = false;
            bool stalePlace = false;
            for (const TabStoreData &was : older) {
                for (const TabRecord &old : was.records) {
                    if (keyOf(old) != key)
                        continue;
                    staleName = staleName || old.name == remoteIt->name;
                    stalePlace = stalePlace || samePlace(old, *remoteIt);
                }
            }
            if (!known || (remoteIt->name != baseIt->name && record.name == baseIt->name && !staleName))
                record.name = remoteIt->name;
            if (!known
                || (!samePlace(*remoteIt, *baseIt) && samePlace(record, *baseIt) && !stalePlace)) {
                record.onScreen = remoteIt->onScreen;
                record.geometry = remoteIt->geometry;
            }
        }
        merged.records << record;
    }
    merged.skinPath = remote.skinPath != base.skinPath && local.skinPath == base.skinPath ? remote.skinPath
                                                                                          : local.skinPath;
    return merged;
}
