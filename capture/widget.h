#pragma once

#include "captureselection.h"

#include <QColor>
#include <QCursor>
#include <QDialog>
#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QString>

#include <thread>

class QAction;
class QMenu;
class QPainter;
class QSaveFile;

/// The capture overlay: a frameless, always-on-top window over the whole
/// desktop that shows the desktop frozen at construction, dimmed, with a
/// yellow help hint. The user draws a selection, moves it, resizes it by its
/// eight handles or nudges it with the arrow keys; the selection shows the
/// desktop undimmed inside a frame, with a label giving its start and size.
/// Space, a double click and the right-click menu copy it to the clipboard;
/// the keypad Enter and the menu save it to a file.
///
/// Coordinates: the overlay covers the desktop from its top-left corner, so
/// overlay coordinates and picture coordinates are the same numbers. The
/// selection rules live in CaptureSelection; this class turns events into
/// calls on it, paints, and writes the outputs.
///
/// Only the desktop picture is kept: the dimmed look is painted from it on
/// the fly, and a change repaints only what it changed.
class Widget : public QDialog
{
    Q_OBJECT
public:
    Widget(QWidget *parent, QColor borderColor, int picQuality);
    ~Widget() override;

    /// One capture as the main window runs it: an overlay with a blue frame
    /// and the image writer's default quality, run modally, then destroyed.
    static void runCapture();

    const CaptureSelection &selection() const { return sel; }
    /// The desktop as grabbed when the overlay was built.
    const QPixmap &desktopPicture() const { return fullPixmap; }
    QMenu *captureMenu() const { return shotMenu; }
    /// Where the save dialog starts: untitled.png in the pictures folder,
    /// or in the home folder when there is none.
    static QString defaultSaveName();

signals:
    void closed();
    void showHelp();

public slots:
    void saveImage();
    void saveBoard();
    void emitHelp();
    void setMySize(int width, int height);
    void input();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenu();
    void prepareBackingStore();
    void finishPreparing();
    bool leavesBackingStore(QEvent *event) const;
    void updateCorners(QPoint p, QPoint q);
    /// Schedules a repaint of everything that differs between the selection
    /// as it was painted (before) and as it is now.
    void repaintChange(const CaptureSelection &before);
    /// What painting a selection puts over the dimmed desktop besides its
    /// undimmed inside: frame, handles, label box and label texts.
    QRegion decorations(const CaptureSelection &selection) const;
    QString startText(const CaptureSelection &selection) const;
    QString sizeText(const CaptureSelection &selection) const;
    void paintArea(QPainter &painter, const QRect &area);
    bool writeImage(const QString &filter, QString *error);

    QPoint startPoint;
    QPoint endPoint;
    QPixmap fullPixmap;
    CaptureSelection sel;
    bool leftPressed = false;
    bool selectDone = false;
    bool isMoving = false;
    int dragHandle = CaptureSelection::NoHandle;
    bool lastPointValid = false;
    bool isResizing = false;
    bool menuArmed = false;
    QColor borderColor;
    QPoint lastPoint;
    QString savePath;
    QSaveFile *saveFile = nullptr;
    int screenWidth = -1;
    int screenHeight = -1;
    QCursor handleCursor;
    QMenu *shotMenu = nullptr;
    QAction *saveAction = nullptr;
    QAction *exitAction = nullptr;
    QAction *boardAction = nullptr;
    QAction *helpAction = nullptr;
    QAction *sizeAction = nullptr;
    int picQuality = -1;

    QString hintText;
    QRect hintArea;
    /// Touches the backing store's fresh memory while the window is being
    /// mapped; joined before anything else may use or replace the store.
    std::thread preparing;
    QSize preparedSize;
};
