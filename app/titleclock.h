#pragma once

#include <QObject>
#include <QTimer>

class QPushButton;

/// The main window's title: a flat white button centred in the strip that
/// shows the program's name, and the time (each second) while the pointer is
/// over it. It keeps itself centred in its window as its text changes.
class TitleClock : public QObject
{
    Q_OBJECT
public:
    explicit TitleClock(QWidget *window);

    QPushButton *button() const { return m_button; }
    /// Shows the time now and centres the button.
    void showTime();
    /// Centres the button in the window's strip.
    void centre();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QPushButton *m_button;
    QTimer m_timer;
};
