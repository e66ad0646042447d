#pragma once

#include "tableshape.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPropertyAnimation;
class QSpinBox;
class QToolBar;
class QToolButton;

/// The small frameless dialog that asks for a table's rows, columns, width
/// and alignment. It drops down from the top edge of the main window (the
/// caller owns the animation) and paints its rows centred on its own width,
/// following the bottom edge while it unfolds. Rows and columns start at 1:
/// a table without either cannot be made.
class QTextEdit;

class TableDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int DialogWidth = 280;
    static constexpr int DialogHeight = 120;
    static constexpr int DropDownMs = 360;

    explicit TableDialog(QWidget *parent = nullptr);
    ~TableDialog() override;

    /// Back to the defaults: 3 x 3, width 100, left; last choices are not kept.
    void reset();
    /// Runs the dialog once it has dropped down; returns QDialog::Accepted or
    /// Rejected. An answer given while it was still dropping down stands.
    int ask();
    TableShape shape() const;
    /// Runs the dialog and puts the table where editor's cursor was when it
    /// was called, the cursor in its first cell.
    void askAndInsert(QTextEdit *editor);
    /// Shows the dialog folded to nothing at the top centre of window (screen
    /// coordinates) and starts animation to unfold it downwards.
    void dropDown(QPropertyAnimation *animation, const QRect &window);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *rowsLabel;
    QLabel *columnsLabel;
    QLabel *widthLabel;
    QLabel *layoutLabel;
    QToolButton *okButton;
    QToolButton *cancelButton;
    QToolBar *buttonBar;
    QToolBar *rowsBar;
    QToolBar *columnsBar;
    QToolBar *widthBar;
    QToolBar *layoutBar;
    QToolBar *sizeRow;
    QToolBar *shapeRow;
    QSpinBox *rowsBox;
    QSpinBox *columnsBox;
    QSpinBox *widthBox;
    QComboBox *alignCombo;
};
