#pragma once

#include "textmatcher.h"

#include <QFrame>
#include <QList>
#include <QPointer>
#include <QTimer>

class QLabel;
class QLineEdit;
class QTextEdit;
class QToolButton;

/// The find (and replace) bar of one note editor. It is a child of the
/// editor and lies over the top of its text (the bottom, while the current
/// match is in the first lines), full width, so it goes with the editor
/// wherever the editor is shown: a tab or a desktop note. Matching is
/// TextMatcher's; the bar keeps the matches, moves the editor's selection to
/// the current one and highlights the others as extra selections.
///
/// Only the matches near the visible part of the note are highlighted (at
/// most MaxPainted): a 1 MB note may hold a hundred thousand, and Qt lays
/// out and repaints every extra selection it is given.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    static constexpr int MaxPainted = 2000;

    /// The editor's bar, made on first use.
    static FindBar *of(QTextEdit *editor);
    /// The editor's bar if it has been made, else null.
    static FindBar *existing(QTextEdit *editor);

    /// Shows the bar (with the replace row when asked for and the note can
    /// be edited) and puts the keys into its find field, which starts with
    /// the selected text when that is part of one line.
    void open(bool replace);
    /// Hides the bar and its highlights; typing goes on in the note.
    void dismiss();
    void findNext();
    void findPrevious();
    void replaceCurrent();
    /// Replaces every match in one undo step.
    void replaceAll();

    int matchCount() const { return int(m_matches.size()); }
    /// 0-based; -1 when there is no match.
    int currentIndex() const { return m_current; }
    /// How many matches are highlighted right now.
    int paintedCount() const { return m_painted; }
    QLineEdit *findField() const { return m_findEdit; }
    QLineEdit *replaceField() const { return m_replaceEdit; }
    QLabel *countLabel() const { return m_count; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FindBar(QTextEdit *editor);
    QToolButton *addButton(const QString &text, const QString &tip, const char *name);
    TextMatcher::Options options() const;
    /// Finds the matches again; the current one is the first at or after
    /// from (wrapping round), and the editor selects it when select is set.
    void search(qsizetype from, bool select);
    void step(int by);
    void selectCurrent();
    void paintMatches();
    void showCount();
    void place();

    QPointer<QTextEdit> m_editor;
    QLineEdit *m_findEdit;
    QLineEdit *m_replaceEdit;
    QLabel *m_count;
    QToolButton *m_caseButton;
    QToolButton *m_wordButton;
    QWidget *m_replaceRow;
    QList<TextMatcher::Match> m_matches;
    int m_current = -1;
    int m_painted = 0;
    QString m_text;
    bool m_textStale = true;
    bool m_ownEdit = false;  ///< the note changes because the bar replaces
    bool m_atBottom = false; ///< moved off the top edge, which held the match
    QTimer m_researchTimer;  ///< after the note changed under the bar
    QTimer m_paintTimer;     ///< after the note scrolled
};
