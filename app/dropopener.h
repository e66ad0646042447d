#pragma once

#include <QObject>
#include <QSet>

#include <functional>

class NoteFileActions;
class QDropEvent;
class QMimeData;
class QTextEdit;
class QWidget;
class RollUp;

/// Drops on the main window. While a drag is over the window it is rolled
/// down (and stays down: the pointer leaving does not roll it up until the
/// drag is over). Dropped .not, .txt and .html files open as notes, as the
/// open command opens them (NoteFileActions::openPath, with its limits and
/// messages); any other file is refused with a message naming it. Dropped
/// text goes into the note: where it is dropped on a note (the editor's own
/// drop), else at the current note's cursor.
///
/// It watches the window and the viewports of the note editors it is told
/// of; what it has to say goes out through message().
class DropOpener : public QObject
{
    Q_OBJECT
public:
    DropOpener(QWidget *window, RollUp *rollUp, NoteFileActions *files,
               std::function<QTextEdit *()> currentEditor);

    /// Files dropped on editor open as notes too (its own drop would put
    /// their paths into the text).
    void watchEditor(QTextEdit *editor);

signals:
    void message(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static bool hasFiles(const QMimeData *mime);
    void openFiles(const QMimeData *mime);
    void insertPictures(const QMimeData *mime);
    void insertText(const QMimeData *mime);

    QWidget *m_window;
    RollUp *m_rollUp;
    NoteFileActions *m_files;
    std::function<QTextEdit *()> m_currentEditor;
    QSet<QObject *> m_viewports;
    bool m_dragOver = false;
};
