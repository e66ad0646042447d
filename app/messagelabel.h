#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>

class QPropertyAnimation;

/// The main window's message label ("tipLabel"): a short notice that slides
/// in from the window's top-left corner to the bottom centre, stays there for
/// its time ("tipTimer", started when the slide ends) and goes.
///
/// White text on a dark translucent backing, so it reads on any skin. It keeps
/// inside the window when the window changes size, and a notice given while
/// the window is not shown yet (at start-up) slides in once it is.
class MessageLabel : public QLabel
{
    Q_OBJECT
public:
    /// The look of the white texts the window shows over its skin.
    static QString backingStyle();

    explicit MessageLabel(QWidget *window);

    /// Shows text; ms other than 1000 becomes the time it stays (1000 keeps
    /// the time of the last longer notice).
    void showMessage(const QString &text, int ms);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void slideIn();
    void clearMessage();

    QWidget *m_window;
    QPropertyAnimation *m_animation;
    QTimer m_timer;
    bool m_waitingForShow = false;
};
