#include "htmlnesting.h"

#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>

// Deeply nested tables and lists in stored notes: flattened beyond the limit,
// their text kept, and the result lays out (a text document of it is built
// and laid out here, as the editor would).
class TestHtmlNesting : public QObject
{
    Q_OBJECT
private slots:
    void boundsNesting_data();
    void boundsNesting();
};

namespace {
/// The deepest nesting of table/ul/ol/dl start tags in html, comments aside.
int deepest(QString html)
{
    html.remove(QRegularExpression(QStringLiteral("<!--.*?-->")));
    static const QRegularExpression tag(QStringLiteral("<(/?)(table|ul|ol|dl)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    int depth = 0;
    int most = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        depth += match.captured(1).isEmpty() ? 1 : -1;
        most = qMax(most, depth);
    }
    return most;
}

QString nested(const QString &open, const QString &close, int levels, const QString &inner)
{
    return open.repeated(levels) + inner + close.repeated(levels);
}
}

void TestHtmlNesting::boundsNesting_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("unchanged");
    QTest::addColumn<QStringList>("texts");
    const QString cell = QStringLiteral("<table border=1><tr><td>");
    const QString cellEnd = QStringLiteral("</td></tr></table>");
    QTest::newRow("table inside a list, untouched")
        << QStringLiteral("<ul><li>a<table><tr><td>b</td><td>c</td></tr></table></li></ul>") << true
        << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QTest::newRow("at the limit, untouched")
        << nested(cell, cellEnd, HtmlNesting::MaxDepth, QStringLiteral("eight")) << true << QStringList{QStringLiteral("eight")};
    QTest::newRow("3000 tables")
        << nested(cell, cellEnd, 3000, QStringLiteral("deep text")) << false << QStringList{QStringLiteral("deep text")};
    QTest::newRow("3000 lists, unclosed items")
        << nested(QStringLiteral("<ol><li>x"), QStringLiteral("</ol>"), 3000, QStringLiteral("bottom")) << false
        << QStringList{QStringLiteral("bottom")};
    QTest::newRow("rows and cells past the limit keep their text apart")
        << nested(cell, cellEnd, HtmlNesting::MaxDepth, QStringLiteral("<table><tr><td>left</td><td>right</td></tr>"
                                                                       "<tr><td>below</td></tr></table>"))
        << false << QStringList{QStringLiteral("left right"), QStringLiteral("below")};
    QTest::newRow("quoted '>' and comments do not confuse it")
        << nested(QStringLiteral("<table title=\"a>b\"><!-- <table> --><tr><td>"), cellEnd, 40, QStringLiteral("q"))
        << false << QStringList{QStringLiteral("q")};
    QTest::newRow("stray end tags and a cut-off tag")
        << QStringLiteral("</table></ul>text<table><tr><td>cut <b") << true << QStringList{QStringLiteral("text")};
}

void TestHtmlNesting::boundsNesting()
{
    QFETCH(QString, html);
    QFETCH(bool, unchanged);
    QFETCH(QStringList, texts);
    const QString limited = HtmlNesting::limit(html);
    QCOMPARE(limited == html, unchanged);
    QVERIFY(deepest(limited) <= HtmlNesting::MaxDepth);
    // No blank lines from flattening: Qt lays the deepest cell out again for
    // every table around it, so thousands of them froze the start for seconds.
    QVERIFY(!limited.contains(QLatin1String("<br /><br />")));
    QTextDocument document;
    document.setHtml(limited);
    QVERIFY(document.size().height() > 0); // laid out
    const QString plain = document.toPlainText();
    for (const QString &text : texts)
        QVERIFY2(plain.contains(text), qPrintable(plain.left(200)));
}

QTEST_MAIN(TestHtmlNesting)
#include "tst_htmlnesting.moc"
