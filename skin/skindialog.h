#pragma once

#include "stripdrag.h"

#include <QDialog>
#include <QPixmap>
#include <QStringList>

class QComboBox;
class QToolButton;

/// The skin chooser: a small frameless dialog, always on top, used modally.
/// It offers the pictures of "./skin/skin.cfg" that exist, each with the
/// picture as icon and its base name as text, and previews the selected one
/// as its own background. Its result is the chosen path, "./skin/" plus the
/// entry; nothing outside the dialog changes while it is open.
class SkinDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SkinDialog(QWidget *parent = nullptr);
    ~SkinDialog() override;

    QString skinPath() const { return selectedPath; }

signals:
    void sigClose();

private slots:
    void closeWindow();
    void indexChanged(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    /// Enter takes the skin chosen, as the OK button does.
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fillList();
    QString pathOf(int index) const;

    QString selectedPath;
    QStringList skinList;
    QPixmap backPixmap;
    QComboBox *skinCombo = nullptr;
    StripDrag drag;
    QToolButton *closeButton;
    QToolButton *okButton;
    QToolButton *cancelButton;
};
