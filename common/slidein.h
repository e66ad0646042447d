#pragma once

#include <QRect>
#include <QSize>

class QPropertyAnimation;
class QWidget;

/// The slide-in move of the tab bars and the message label: from the host's
/// top-left corner to the bottom centre, just above the bottom edge.
namespace SlideIn {
constexpr int DurationMs = 500;

/// Where an item of itemSize comes to rest inside a host of hostSize.
/// Halves are integer divisions that truncate toward zero.
QRect endRect(QSize itemSize, QSize hostSize);

/// Configures animation (on item's "geometry") and starts it; shows item first.
void start(QPropertyAnimation *animation, QWidget *item, QSize hostSize);
}
