#pragma once

#include "tabstoredata.h"

#include <QString>

class QIODevice;

/// Decodes tab.dat (big-endian QDataStream layout: qint32 count = records + 1,
/// then per record name, fromFile, pathOrText, onScreen and, when on screen, a
/// QRect as four qint32; then the skin path).
///
/// The input is untrusted. Every length is checked against the bytes left
/// before anything is allocated, a record is kept only when it was read whole,
/// and the first fault ends reading with its byte offset and a short reason;
/// nothing is guessed past it. Bytes after the skin field are ignored.
class TabStoreReader
{
public:
    enum Status {
        Ok,        ///< the whole store was read (a device with no bytes at all is an empty store)
        Damaged,   ///< the bytes are not a whole store; data holds the records read before the fault
        ReadError, ///< the device failed or is not open for reading
    };

    struct Result
    {
        TabStoreData data;
        Status status = Ok;
        /// Where the faulty field starts, counted from where reading began; -1 when Ok.
        qint64 errorOffset = -1;
        /// One line for logs and notices, e.g. "record 3 name: length 4000 runs past the end (12 bytes left)".
        QString reason;
        /// Bytes consumed: the size of the store when Ok (a tail after it is not counted).
        qint64 bytesRead = 0;

        bool ok() const { return status == Ok; }
    };

    /// The most a sequential device may hand over before reading stops as Damaged.
    static constexpr qint64 DefaultSequentialLimit = 64 * 1024 * 1024;

    /// Reads from the device's current position. Random-access devices are
    /// checked against their size, so nothing is allocated beyond the bytes
    /// really there; sequential ones are read in bounded chunks and stop once
    /// sequentialLimit bytes have been read (a pipe or a character device can
    /// hand over endless data).
    static Result read(QIODevice *device, qint64 sequentialLimit = DefaultSequentialLimit);
};
