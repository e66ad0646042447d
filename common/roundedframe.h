#pragma once

class QPainter;
class QPixmap;
class QRect;

/// Paints the look shared by every frameless window: a rounded body filled
/// with a background picture and a solid grey rounded title strip 25 pixels
/// high. The window must have Qt::WA_TranslucentBackground so that the
/// corners outside the rounded body stay see-through.
namespace RoundedFrame {
constexpr int Radius = 10;
constexpr int StripHeight = 25;

void paint(QPainter &painter, const QRect &rect, const QPixmap &background);
}
