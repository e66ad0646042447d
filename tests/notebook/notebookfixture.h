#pragma once

// The large notebook of the kill test: 500 fixed tabs of about 20,000
// characters of HTML each (about 20 MB in tab.dat, strings being UTF-16),
// in two variants that differ in every record and in the skin.

#include "tabstoredata.h"

namespace NotebookFixture {

constexpr int Tabs = 500;
constexpr int HtmlChars = 20000;

inline TabStoreData notebook(QChar variant)
{
    QString body;
    body.reserve(HtmlChars + 200);
    body += QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\"><html><body>");
    for (int line = 0; body.size() < HtmlChars; ++line)
        body += QStringLiteral("<p style=\"margin:0px;\">variant %1, line %2: \u4eca\u5929\u7684\u4e8b</p>").arg(variant).arg(line);

    TabStoreData data;
    data.records.reserve(Tabs);
    for (int i = 0; i < Tabs; ++i) {
        TabRecord r;
        r.name = QStringLiteral("%1-%2").arg(variant).arg(i);
        if (i % 50 == 7) {
            r.fromFile = true;
            r.pathOrText = QStringLiteral("/home/user/notes/%1-%2.not").arg(variant).arg(i);
        } else {
            // A distinct head on a shared body: every record differs between variants.
            r.pathOrText = QStringLiteral("<!-- %1 %2 -->").arg(variant).arg(i) + body;
        }
        if (i % 25 == 3) {
            r.onScreen = true;
            r.geometry = QRect(i, variant.unicode(), 300, 200);
        }
        data.records.append(r);
    }
    data.skinPath = QStringLiteral("./skin/%1.png").arg(variant);
    return data;
}

} // namespace NotebookFixture
