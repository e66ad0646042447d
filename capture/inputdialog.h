#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

/// The fixed-size dialog of the capture menu: two fields for a width and a
/// height in pixels (0 = leave unchanged), limited to the desktop size.
/// OK emits input(width, height) and closes; cancel just closes.
class InputDialog : public QDialog
{
    Q_OBJECT
public:
    explicit InputDialog(QWidget *parent = nullptr);

signals:
    void input(int width, int height);

public slots:
    void sendInput();

private:
    QLabel *widthLabel;
    QLabel *heightLabel;
    QLabel *noteLabel;
    QLineEdit *widthEdit;
    QLineEdit *heightEdit;
    int screenWidth = -1;
    int screenHeight = -1;
    QPushButton *okButton;
    QPushButton *cancelButton;
};
