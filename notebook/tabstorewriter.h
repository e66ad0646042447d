#pragma once

#include "tabstoredata.h"

#include <QString>

class QIODevice;

/// Encodes a store into tab.dat's bytes: the layout TabStoreReader reads,
/// byte for byte what QDataStream with default settings would produce.
/// Strings keep their null/empty distinction (a null one is 0xFFFFFFFF).
class TabStoreWriter
{
public:
    /// Writes the whole store at the device's position. Returns false, with
    /// the reason in *error when given, as soon as a write comes up short.
    /// Buffered devices (QFile, QSaveFile) may report a failure only when
    /// flushed or committed; callers check that too.
    static bool write(QIODevice *device, const TabStoreData &data, QString *error = nullptr);
};
