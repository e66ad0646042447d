#pragma once

#include "clocksettings.h"
#include "intervalschedule.h"
#include "reminderschedule.h"
#include "stripdrag.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMargins>
#include <QPixmap>
#include <QTimer>

class QSizeGrip;
class QSlider;
class QTextEdit;
class QToolButton;
class RingPlayer;
class WindowShaker;

/// A note stuck on the desktop: a frameless, translucent top-level window
/// that borrows one note editor from the notebook and gives it back on close.
/// The editor is lent, not owned: closeNote() detaches it before the window
/// goes, and the main window puts it back as a tab. Geometry is in screen
/// coordinates; the window is always created without a parent.
///
/// A note carries one reminder, a time and an interval part, edited in a
/// ClockDialog. Each firing plays the ring in a player of its own, released
/// when its sound ends; the time reminder also shakes the note.
class NoteWidget : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MinWidth = 190;
    static constexpr int MinHeight = 230;
    static constexpr int MaxWidth = 800;
    static constexpr int MaxHeight = 650;
    /// Where the editor sits: this far in from the window's edges.
    static constexpr QMargins EditorMargins{7, 25, 7, 20};

    explicit NoteWidget(const QString &title, QWidget *parent = nullptr);
    ~NoteWidget() override;

    void setTextEdit(QTextEdit *edit);
    QTextEdit *getTextEdit() const { return textEdit; }
    QString getTitle() const { return title; }
    void setBackground(const QString &path);
    bool isStayOnTop() const { return stayOnTop; }

    /// The note's settings as its own controls hold them (opacity in tenths, 5..10).
    bool isReadOnly() const;
    int opacityLevel() const;
    /// Sets them as the note's controls would (opacity bounded to 5..10);
    /// a note not shown yet stays hidden.
    void applySettings(bool readOnly, bool onTop, int opacity);
    /// Whether a reminder was ever set, and the reminder.
    bool hasReminder() const { return hasClock; }
    ClockSettings reminder() const { return clockSettings; }
    /// Arms reminder as if the user had pressed OK in the reminder dialog.
    void setReminder(const ClockSettings &reminder);
    /// Marks the note as having a reminder that fell due while the program
    /// was not running, until the user opens it (missedSeen()).
    void setMissed(bool missed);
    bool isMissed() const { return missed; }
    /// A note that holds a capture pinned to the desktop (kept with its
    /// settings; the pinned look itself is PinnedPicture's).
    void setPinned(bool pinned);
    bool isPinned() const { return pinned; }
    /// The bare look: no frame, buttons or background, only the editor's
    /// content, the editor reaching past the window's edges by overhang (so
    /// that only its picture shows). Off: the note's own look.
    void setBare(bool bare, const QMargins &overhang = QMargins());
    bool isBare() const { return bare; }

signals:
    void sigClose(NoteWidget *note);
    /// The window moved or changed size (the notebook saves its rectangle).
    void geometryChanged();
    /// Read-only, keep-on-top, opacity or the reminder changed.
    void settingsChanged();
    /// The reminder rings now.
    void reminderRang();
    /// The user opened a note marked missed: the mark is gone.
    void missedSeen();

private slots:
    void startGapListen();
    void startTimeListen();
    void closeNote();
    void setTransparent(int value);
    void setReadOnly(bool on);
    void showClockEdit();
    void setStayOnTop(bool on);
    void deleteOutPut();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Qt::WindowFlags flagsFor(bool onTop) const;
    void placeEditor();
    void ring();
    void armReminder();

    QPixmap backPixmap;
    QToolButton *closeButton;
    QToolButton *readOnlyButton;
    QToolButton *clockButton;
    QToolButton *topButton;
    StripDrag drag;
    bool stayOnTop = false;
    bool closing = false;
    QString title;
    QTextEdit *textEdit = nullptr;
    QSizeGrip *sizeGrip;
    QSlider *opacitySlider;

    ClockSettings clockSettings;
    bool hasClock = false;
    bool missed = false;
    bool pinned = false;
    bool bare = false;
    QMargins bareOverhang;
    QTimer timeTimer;
    QTimer gapTimer;
    RingPlayer *player = nullptr; // the player of the latest firing
    ReminderSchedule timeSchedule;
    IntervalSchedule gapSchedule;
    QElapsedTimer monotonic;
    WindowShaker *shaker;
};
