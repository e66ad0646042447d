#pragma once

#include <QList>
#include <QObject>
#include <QSize>

class QPropertyAnimation;
class QWidget;

/// Rolling a window up to its title strip and down again: a 300 ms
/// "geometry" animation between the window's full size and a 250x25 strip at
/// the same top-left corner. Widgets listed as hidden while rolled (the
/// opacity slider, the size grip) hide as it rolls up and show as it rolls down.
///
/// It only animates and keeps the state; when to roll (the pointer, a
/// button, the auto-hide setting) is the window's decision. A window whose
/// size the desktop holds (a tiling compositor's tile, maximised, full
/// screen) does not roll: every step would be refused and the refused sizes
/// would stay on screen. It stays open at the size it is given, and is
/// repainted whole whenever that size changes.
class RollUp : public QObject
{
    Q_OBJECT
public:
    static constexpr int DurationMs = 300;
    static constexpr int RolledWidth = 250;
    static constexpr int RolledHeight = 25;

    RollUp(QWidget *window, QList<QWidget *> hiddenWhileRolled);

    /// Starts rolling up when expanded, down when rolled up; nothing while held.
    void toggle();
    /// The animation has ended: the window is now the other way round.
    void finished();

    bool isExpanded() const { return m_expanded; }
    bool isAnimating() const { return m_animating; }
    QPropertyAnimation *animation() const { return m_animation; }

    /// Whether the desktop decides the window's size (tiled, maximised, full screen).
    static bool isHeld(const QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showRolledAway(bool visible);

    QWidget *m_window;
    QList<QWidget *> m_hiddenWhileRolled;
    QPropertyAnimation *m_animation;
    QSize m_savedSize{-1, -1};
    bool m_expanded = true;
    bool m_animating = false;
};
