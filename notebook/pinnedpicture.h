#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>

#include <optional>

class NoteWidget;
class QTextEdit;

/// Makes a desktop note a pinned capture: its window is sized and placed
/// around the note's first picture (shown at full size) so that the picture
/// stays exactly where it was captured, in the note's look and in the bare,
/// picture-only look that a double click on the picture toggles. Bare, the
/// picture is moved by dragging it.
///
/// A child of its note, made once per note (attach()). The editor is lent:
/// its scroll bars, turned off while pinned, come back when the note goes.
/// Coordinates are Qt's global logical ones (PinFrame).
class PinnedPicture : public QObject
{
    Q_OBJECT
public:
    /// The note's helper, made (and the note marked pinned) on first call.
    static PinnedPicture *attach(NoteWidget *note);
    ~PinnedPicture() override;

    /// Puts the picture's top-left at the global point at; the window follows
    /// (at once, or when the note's text with its picture has arrived).
    void placePicture(QPoint at);
    /// Switches the look, the picture staying where it is.
    void setBare(bool bare);
    /// Takes the look a window had when its place was saved: its top-left
    /// is where that look put it.
    void restoreLook(bool bare);
    /// Where the picture's top-left is now.
    QPoint pictureTopLeft() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit PinnedPicture(NoteWidget *note);
    /// The first picture's size in the note, invalid when it has none (yet).
    QSize pictureSize() const;
    /// From the editor's edges to its content, with room below the picture
    /// for the line it stands on.
    QMargins editorInsets() const;
    QMargins around() const;
    /// The look with the picture at at, now or once the picture is there.
    void show(QPoint at, bool bare);
    /// Sizes and places the window for the look; false without a picture.
    bool fit(QPoint at, bool bare);

    NoteWidget *m_note;
    QPointer<QTextEdit> m_editor;
    /// The editor's viewport, compared by address only: its events reach the
    /// filter while the editor is being destroyed, when it cannot be asked.
    const QObject *m_viewport = nullptr;
    /// Where the picture goes once the note's text has arrived.
    std::optional<QPoint> m_waiting;
    /// Bare: the press's offset from the window's top-left during a drag.
    std::optional<QPoint> m_drag;
};
