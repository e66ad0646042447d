#pragma once

#include "captureselection.h"
#include "grabsource.h"

#include <QColor>
#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRegion>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QPainter;
class X11ShmPresenter;

/// The capture overlay: a frameless, always-on-top window over the whole
/// desktop that shows the desktop frozen at construction, dimmed, with a
/// yellow help hint. The user draws a selection, moves it, resizes it by its
/// eight handles or nudges it with the arrow keys; the selection shows the
/// desktop undimmed inside a frame, with a label giving its start and size.
/// Space, a double click and the right-click menu copy it to the clipboard;
/// Enter (keypad or Return) and the menu save it to a file; P and the menu
/// pin it to the desktop, A and the menu add it to the current note
/// (CaptureHandoff). Shift+arrow moves by ten pixels, Ctrl+arrow resizes.
///
/// Coordinates: the overlay covers the desktop from its top-left corner. The
/// selection, the picture and all painting work in device pixels (the
/// window system's own pixels), so at a device pixel ratio of 2 the overlay
/// shows the desktop at full resolution and the outputs hold exactly the
/// screen's pixels; only mouse positions and update areas are converted from
/// and to Qt's logical coordinates. The selection rules live in
/// CaptureSelection; this class turns events into calls on it, paints, and
/// hands the outputs on.
///
/// Only the desktop picture is kept, as the grab source delivered it: the
/// dimmed look is painted from it on the fly, and a change repaints only what
/// it changed. On X11 the overlay paints past Qt's window-sized backing store
/// (X11ShmPresenter), so it holds one full-screen frame, not two. One
/// overlay window is kept, unmapped, between captures (runCapture()), owned
/// by the object prepareCapture() was given.
class Widget : public QDialog
{
    Q_OBJECT
public:
    /// Grabs the desktop at once unless grabNow is false (an overlay built
    /// ahead of its first capture, see prepareCapture()). The picture comes
    /// from source, or from the session's own (GrabSource::create()).
    Widget(QWidget *parent, QColor borderColor, int picQuality, bool grabNow = true,
           std::unique_ptr<GrabSource> source = {});
    ~Widget() override;

    /// One capture as the main window runs it: an overlay with a blue frame
    /// and the image writer's default quality, run modally. The overlay's
    /// window is kept for the next capture; its picture is given back.
    /// A given source serves this capture and the kept overlay's next ones.
    /// False when the desktop could not be grabbed: then no overlay stays
    /// on screen and nothing was output.
    static bool runCapture(std::unique_ptr<GrabSource> source = {});

    /// Builds the kept overlay a few seconds after the call, while the program
    /// is idle, so that the first capture is as fast as later ones. The kept
    /// overlay belongs to context (the main window) and goes with it; until
    /// this is called every capture makes an overlay of its own.
    static void prepareCapture(QObject *context);
    /// Starts over with no selection and starts a new grab of the desktop,
    /// whose picture runModal() takes once the window is shown.
    void recapture();
    /// Shows the overlay modally and returns when it closes, keeping its
    /// window for the next capture; false, with the overlay hidden, when
    /// the grab brought no picture.
    bool runModal();
    /// Ends the capture: hides the overlay, keeping its window.
    void endCapture();
    /// Gives back the picture and painting buffers after a capture.
    void releasePicture();

    const CaptureSelection &selection() const { return sel; }
    /// The desktop as grabbed when the capture started, in device pixels.
    const QImage &desktopPicture() const { return fullPixmap; }
    /// The whole overlay as its paint event paints it, in device pixels.
    QImage paintedImage() const;
    /// The monitors in picture coordinates, the primary first.
    const QList<QRect> &monitors() const { return m_monitors; }
    QMenu *captureMenu() const { return shotMenu; }
    /// Where the save dialog starts: a name from the capture's time in the
    /// pictures folder, or in the home folder when there is none.
    static QString defaultSaveName(const QDateTime &captureTime);
    /// When the shown picture was grabbed.
    QDateTime captureTime() const { return m_captureTime; }

signals:
    void closed();
    void showHelp();
    /// The overlay was hidden by Esc, an output or the exit entry.
    void captureEnded();

public slots:
    void saveImage();
    void saveBoard();
    void emitHelp();
    void setMySize(int width, int height);
    void input();
    /// The selection pinned to the desktop where it was captured, as a note.
    void pinToDesktop();
    /// The selection added to the current note, under a dated record.
    void addToNote();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    QPaintEngine *paintEngine() const override;

private:
    void createMenu();
    enum class Grab {
        None,
        Now,
        /// Started now and taken once the window is shown, which meanwhile
        /// shows the frozen desktop where the grab source can (a backdrop).
        WhileShowing
    };
    /// Reads the desktop's arrangement, places the window, readies painting
    /// and grabs the picture as asked.
    void prepare(Grab grab);
    /// Takes the picture of a grab started while showing, if one is pending;
    /// false, and the capture ended, when there is no picture.
    bool takePicture();
    void updateCorners(QPoint p, QPoint q);
    /// A mouse position in device pixels of the picture.
    QPoint devicePoint(const QMouseEvent *event) const;
    /// The monitor holding a point (picture coordinates); the primary when
    /// none does.
    QRect monitorAt(QPoint p) const;
    /// Schedules a repaint of an area given in device pixels.
    void updateDevice(const QRegion &area);
    /// Schedules a repaint of everything that differs between the selection
    /// as it was painted (before) and as it is now.
    void repaintChange(const CaptureSelection &before);
    /// What painting a selection puts over the dimmed desktop besides its
    /// undimmed inside: frame, handles, label box and label texts.
    QRegion decorations(const CaptureSelection &selection) const;
    QString startText(const CaptureSelection &selection) const;
    QString sizeText(const CaptureSelection &selection) const;
    /// The wider of the label's two lines, in device pixels.
    int labelTextWidth(const CaptureSelection &selection) const;
    void paintArea(QPainter &painter, const QRect &area) const;
    /// Text drawn at a baseline origin in device pixels, at the overlay's scale.
    void drawScaledText(QPainter &painter, QPoint origin, const QString &text) const;
    QRect scaledTextArea(const QString &text, QPoint origin) const;
    void placeHint();
    /// Paints what the paint events since the last call asked for.
    void presentPending();

    QPoint startPoint;
    QPoint endPoint;
    QImage fullPixmap;
    CaptureSelection sel;
    /// What the pressed mouse button does, until any button is released.
    enum class Press {
        None,
        /// Left button outside the selection: a new one from startPoint.
        Drawing,
        /// Left button inside: the selection follows the pointer.
        Moving,
        /// Left button on a handle (dragHandle): that side or corner follows.
        Resizing,
        /// Right button on the selection: its release there opens the menu.
        Menu,
    };
    Press m_press = Press::None;
    int dragHandle = CaptureSelection::NoHandle;
    /// The pointer at the last step of a move or resize; none before the first.
    std::optional<QPoint> lastPoint;
    QColor borderColor;
    QString savePath;
    QDateTime m_captureTime;
    int screenWidth = -1;
    int screenHeight = -1;
    QCursor handleCursor;
    QMenu *shotMenu = nullptr;
    QAction *saveAction = nullptr;
    QAction *exitAction = nullptr;
    QAction *boardAction = nullptr;
    QAction *helpAction = nullptr;
    QAction *sizeAction = nullptr;
    QAction *pinAction = nullptr;
    QAction *noteAction = nullptr;
    int picQuality = -1;

    QString hintText;
    QPoint m_hintOrigin;
    QRect hintArea;
    std::unique_ptr<GrabSource> m_source;
    std::unique_ptr<X11ShmPresenter> m_presenter;
    QList<QRect> m_monitors;
    /// The parts of the desktop no monitor covers, painted black.
    QRegion m_uncovered;
    QRegion m_pendingPaint;
    bool m_paintScheduled = false;
    /// A grab started by recapture(), taken by runModal().
    bool m_grabPending = false;
    /// The grab brought no picture: the capture ends without output.
    bool m_grabFailed = false;
    /// The grab source paints the frozen desktop, veiled, into the window
    /// on the server, before the program has the picture.
    bool m_serverBackdrop = false;
    /// The capture ended in a pin, whose window comes up meanwhile.
    bool m_pinned = false;
    /// Nothing painted in the window yet.
    bool m_backdropUnpainted = false;
    /// Where fullPixmap's top-left sits on the overlay: the origin, but
    /// for the first paint over a backdrop, which paints from a part.
    QPoint m_pictureOrigin;
    /// Device pixels per logical pixel, and the whole-number scale of the
    /// overlay's texts and label box.
    qreal m_ratio = 1;
    int m_scale = 1;
    /// sway's window rule spreads the overlay over every output.
    bool m_swayRule = false;
};
