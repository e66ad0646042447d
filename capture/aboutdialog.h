#pragma once

#include <QDialog>

class PicWidget;
class QHBoxLayout;
class QPushButton;
class QTextEdit;

/// The capture help window: a picture panel beside a read-only text with the
/// capture instructions and an OK button. Frameless, on top, 550 x 360; run
/// modally and destroyed when it closes.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);

    /// The instructions shown in the window, line by line as translated.
    static QString helpText();

private:
    QHBoxLayout *mainLayout;
    PicWidget *picWidget;
    QTextEdit *helpEdit;
    QPushButton *okButton;
};
