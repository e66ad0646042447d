#pragma once

#include <QRect>
#include <QString>

/// One fixed tab as tab.dat keeps it. A plain value: strings are implicitly
/// shared, so copies are cheap and safe to hand to another thread.
///
/// Null and empty strings are different on disk (length 0xFFFFFFFF versus 0);
/// the store keeps whichever it was given.
struct TabRecord
{
    QString name;
    /// true: pathOrText is the path of a note file; false: it is the note's HTML.
    bool fromFile = false;
    QString pathOrText;
    /// The note is stuck on the screen as a desktop note window.
    bool onScreen = false;
    /// That window's frame; stored only when onScreen is true. Kept as the four
    /// edges (left, top, right, bottom), so any rectangle survives a round trip.
    QRect geometry;

    /// Compares as the file does: geometry counts only for on-screen records.
    /// Strings compare by content (a null string equals an empty one).
    friend bool operator==(const TabRecord &a, const TabRecord &b)
    {
        return a.name == b.name && a.fromFile == b.fromFile && a.pathOrText == b.pathOrText
            && a.onScreen == b.onScreen && (!a.onScreen || a.geometry == b.geometry);
    }
    friend bool operator!=(const TabRecord &a, const TabRecord &b) { return !(a == b); }
};
