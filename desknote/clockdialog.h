#pragma once

#include "clocksettings.h"
#include "stripdrag.h"

#include <QDialog>
#include <QPixmap>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QToolButton;
class RingPlayer;

/// The reminder editor of a desktop note: a small frameless dialog, always
/// on top, used modally. It works on a copy of the note's settings and
/// previews the ring sound. Children are placed by hand from the dialog's
/// size; the preview player is a child and ends with the dialog.
class ClockDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ClockDialog(QWidget *parent = nullptr);
    ~ClockDialog() override;

    /// The settings the widgets show now.
    ClockSettings getSettings();
    void setSettings(const ClockSettings &s);

private slots:
    void selectPath();
    void play();
    void pause();
    void stop();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *makeButton(const char *name, const char *icon, const QString &tip);
    void setPreviewButtons(bool playing, bool paused);

    QPixmap backPixmap;
    QToolButton *closeButton;
    QToolButton *okButton;
    QToolButton *cancelButton;
    QToolButton *selectButton;
    QToolButton *stopButton;
    QToolButton *playButton;
    QToolButton *pauseButton;
    QDateTimeEdit *timeEdit;
    RingPlayer *player = nullptr;
    QLineEdit *gapEdit;
    QLineEdit *ringEdit;
    QLabel *timeLabel;
    QLabel *gapLabel;
    QCheckBox *repeatBox;
    QCheckBox *activeBox;
    StripDrag drag;
    ClockSettings settings;
};
