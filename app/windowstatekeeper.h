#pragma once

#include <QObject>
#include <QSize>

class MenuDialog;
class NoteStateKeeper;
class RollUp;
class QWidget;

/// The main window's size, place and auto-hide choice across runs: puts the
/// window where the side file says (clamped to the screens present, as
/// desktop notes are) and tells the side file's keeper whenever the user
/// moves or resizes the window or switches auto-hide.
///
/// The size it keeps is the unrolled one: while the window is rolled up to
/// its strip (or rolling), only its place counts; while the desktop holds
/// the window (tiled, maximised), nothing is kept.
class WindowStateKeeper : public QObject
{
    Q_OBJECT
public:
    /// Applies the kept state at once; window and menu must outlive it (it is their child).
    WindowStateKeeper(QWidget *window, const RollUp *rollUp, MenuDialog *menu, NoteStateKeeper *state);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void store();

    QWidget *m_window;
    const RollUp *m_rollUp;
    NoteStateKeeper *m_state;
    QSize m_fullSize;
    bool m_autoHide = true;
};
