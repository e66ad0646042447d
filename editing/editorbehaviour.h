#pragma once

#include <QObject>

class QKeyEvent;
class QMouseEvent;
class QTextEdit;

/// What a note editor does beyond QTextEdit's own keys, wherever the editor
/// is shown (a tab of the main window or a desktop note): Ctrl+B/I/U toggle
/// the format, Ctrl+Z / Ctrl+Y undo and redo, Ctrl+Shift+L makes a
/// checklist, Ctrl+F / Ctrl+H / F3 open and step the find bar, Tab and
/// Shift+Tab move between table cells, "- ", "* " and "[ ] " at the start of
/// a paragraph start a list, and a click on a checklist box ticks it.
/// Esc closes the find bar; otherwise it is kept from the window, so that
/// Esc while typing never hides the window the note is in.
///
/// One instance per editor, owned by the editor; it watches the editor for
/// keys and its viewport for clicks.
class EditorBehaviour : public QObject
{
    Q_OBJECT
public:
    static void attach(QTextEdit *editor);
    static bool isAttached(QTextEdit *editor);
    /// Opens the editor's find bar (replace: with the replace row).
    static void find(QTextEdit *editor, bool replace);
    /// Empties editor as one edit that can be undone, unlike QTextEdit::clear(),
    /// which drops the history. Nothing happens without an editor.
    static void clearUndoably(QTextEdit *editor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit EditorBehaviour(QTextEdit *editor);
    /// Whether the keys are ours; act: do it too.
    bool handleKey(const QKeyEvent *key, bool act);
    bool handleTab(bool forward, bool act);
    bool handleTypedListStart();
    bool handleMarkerClick(const QMouseEvent *event);
    void toggleFormat(int property);

    QTextEdit *m_editor;
    /// Compared by address only: events still come while the editor is
    /// being destroyed, when it can no longer be asked for its viewport.
    QObject *m_viewport;
};
