#pragma once

#include "stripdrag.h"

#include <QDialog>
#include <QPixmap>

class QSizeGrip;
class QSlider;
class QTextEdit;
class QToolButton;

/// A note stuck on the desktop: a frameless, translucent top-level window
/// that borrows one note editor from the notebook and gives it back on close.
/// The editor is lent, not owned: closeNote() detaches it before the window
/// goes, and the main window puts it back as a tab. Geometry is in screen
/// coordinates; the window is always created without a parent.
class NoteWidget : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MinWidth = 190;
    static constexpr int MinHeight = 230;
    static constexpr int MaxWidth = 800;
    static constexpr int MaxHeight = 650;

    explicit NoteWidget(const QString &title, QWidget *parent = nullptr);
    ~NoteWidget() override;

    void setTextEdit(QTextEdit *edit);
    QTextEdit *getTextEdit() const { return textEdit; }
    QString getTitle() const { return title; }
    void setBackground(const QString &path);
    bool isStayOnTop() const { return stayOnTop; }

signals:
    void sigClose(NoteWidget *note);
    /// The window moved or changed size (the notebook saves its rectangle).
    void geometryChanged();

private slots:
    void closeNote();
    void setTransparent(int value);
    void setReadOnly(bool on);
    void setStayOnTop(bool on);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void reject() override;

private:
    Qt::WindowFlags flagsFor(bool onTop) const;

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
};
