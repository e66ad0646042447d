#pragma once

#include "tabrecord.h"

#include <QList>
#include <QString>

/// Everything tab.dat holds: the fixed tabs in file order, then the skin path.
/// Copying it copies no text (QList and QString are implicitly shared), which
/// makes it the snapshot the GUI thread hands to the background saver.
struct TabStoreData
{
    QList<TabRecord> records;
    /// Null or empty when no skin was chosen; a null one is written as a null string.
    QString skinPath;

    friend bool operator==(const TabStoreData &a, const TabStoreData &b)
    {
        return a.skinPath == b.skinPath && a.records == b.records;
    }
    friend bool operator!=(const TabStoreData &a, const TabStoreData &b) { return !(a == b); }
};
