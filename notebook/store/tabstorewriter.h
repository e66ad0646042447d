#pragma once

#include "tabstoredata.h"

#include <QString>

class QIODevice;

/// Encodes a store into tab.dat's bytes, the layout TabStoreReader reads,
/// through a QDataStream with its default settings (big-endian; the fields
/// are written the same way by every stream version since Qt 4.0).
/// Strings keep their null/empty distinction (a null one is 0xFFFFFFFF).
class TabStoreWriter
{
public:
    /// Writes the whole store at the device's position. Returns false, with
    /// the reason in *error when given, as soon as a write fails (a short
    /// write is retried; one that moves nothing fails), or before writing
    /// anything when a text is too long for its length field.
    /// Buffered devices (QFile, QSaveFile) may report a failure only when
    /// flushed or committed; callers check that too.
    static bool write(QIODevice *device, const TabStoreData &data, QString *error = nullptr);
};
