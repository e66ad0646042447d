#pragma once

#include "tabstoredata.h"

/// Merges a tab.dat written on another computer into this one's notebook
/// without dropping a local note. Three-way: base is what both last agreed
/// on (what this program last read or wrote), local what it holds now,
/// remote what arrived.
///
/// Records are told apart by their note file's path (inline records by name
/// and text). Per note, a name or a place (on the screen or not, and where)
/// that only the other computer changed is taken from it; where both changed
/// it, this computer's stays. A note both list but base lacks arrived here
/// as a file first: its name and place are the other computer's. The order is the other computer's when only it
/// reordered, else this one's; notes one side has and the other lacks keep
/// their place after the note they follow. A note only the other computer
/// lists comes in (unless this one removed it since base); a note only this
/// one lists stays (notes leave through their files, never through tab.dat).
/// The skin follows the same rule as a name.
///
/// The other computer's tab.dat may be based on an older version than base
/// (a sync tool's conflict copy, a tab.dat written while the two were apart):
/// a value of it that this computer held before (older, the versions seen
/// before base) is stale, not a change, so it never undoes a newer rename or
/// move made here. A record holding text (not a note file) that the other
/// computer lists is never dropped: the caller turns it into a note file.
class TabStoreMerge
{
public:
    static TabStoreData merge(const TabStoreData &base, const TabStoreData &local, const TabStoreData &remote,
                              const QList<TabStoreData> &older = {});
    /// The key a record is matched by.
    static QString keyOf(const TabRecord &record);
};
