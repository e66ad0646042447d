// bench_findbar [RUNS]
//
// Times the find bar on a note of about 1 MB (mixed Chinese and English
// paragraphs): each key typed into its field, from the key to the note
// repainted with the matches highlighted, for words with few, many and very
// many matches; and one step to the next match. Medians and 95th
// percentiles over RUNS rounds (10 by default).

#include "editorbehaviour.h"
#include "findbar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>

namespace {
double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const qsizetype at = std::min(values.size() - 1, qsizetype(p * values.size()));
    return values.at(at);
}

QString bigNote()
{
    const QString chinese = QStringLiteral("今天的会议记录：项目进度正常，下周继续测试便签同步。");
    const QString english = QStringLiteral("Meeting notes: the sync folder works, remember to test the reminder at noon. ");
    QString html = QStringLiteral("<html><body>");
    int i = 0;
    while (html.size() < 1024 * 1024) {
        html += QStringLiteral("<p>%1 %2 %3 paragraph %4</p>").arg(english, chinese, english).arg(i);
        ++i;
    }
    // One word that occurs once, near the end.
    html += QStringLiteral("<p>zebracrossing</p></body></html>");
    return html;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 10;

    QTextEdit editor;
    editor.resize(600, 500);
    editor.setHtml(bigNote());
    EditorBehaviour::attach(&editor);
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor))
        return 1;
    std::printf("note: %lld characters, %d paragraphs\n",
                static_cast<long long>(editor.document()->characterCount()), editor.document()->blockCount());

    for (const QString &word : {QStringLiteral("zebracrossing"), QStringLiteral("reminder"),
                                QStringLiteral("会议"), QStringLiteral("e")}) {
        QList<double> keyMs;
        QList<double> stepMs;
        int matches = 0;
        for (int r = 0; r < runs; ++r) {
            editor.moveCursor(QTextCursor::Start);
            EditorBehaviour::find(&editor, false);
            FindBar *bar = FindBar::existing(&editor);
            bar->findField()->clear();
            QCoreApplication::processEvents();
            for (const QChar c : word) {
                QElapsedTimer clock;
                clock.start();
                QTest::sendKeyEvent(QTest::Click, bar->findField(), Qt::Key_unknown, QString(c), Qt::NoModifier);
                editor.viewport()->repaint();
                keyMs << clock.nsecsElapsed() / 1e6;
            }
            matches = bar->matchCount();
            QElapsedTimer clock;
            clock.start();
            QTest::keyClick(bar->findField(), Qt::Key_Return);
            editor.viewport()->repaint();
            stepMs << clock.nsecsElapsed() / 1e6;
            bar->dismiss();
        }
        std::printf("%-14s %6d matches: key median %.1f ms, p95 %.1f ms; next median %.1f ms\n",
                    qPrintable(word), matches, percentile(keyMs, 0.5), percentile(keyMs, 0.95),
                    percentile(stepMs, 0.5));
    }
    return 0;
}
