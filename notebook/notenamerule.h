#pragma once

#include <QString>
#include <QStringList>

/// Two notes never share a name silently: a name already taken gets the
/// first free number, "Name (2)", "Name (3)", … A name that already ends in
/// such a number counts on from it ("Name (2)" taken: "Name (3)").
class NoteNameRule
{
public:
    /// name itself when no entry of taken equals it, else the numbered name.
    static QString unique(const QString &name, const QStringList &taken);
};
