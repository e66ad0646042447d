#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

/// A frameless window over the whole screen showing a picture whose every
/// pixel is known: the capture tests' stand-in for the desktop. colorAt()
/// gives the colour any pixel must have, without grabbing anything.
class PatternWindow : public QWidget
{
public:
    PatternWindow();

    static QRgb colorAt(int x, int y);
    /// The picture the pattern gives for a rectangle of the desktop.
    static QImage expected(const QRect &area);
    /// A colour as the overlay shows it outside the selection.
    static QRgb dimmed(QRgb color);
    /// An opaque colour with a translucent veil painted over it.
    static QRgb veiled(QRgb color, const QColor &veil);

    /// Shows the window and waits until the screen really shows the pattern.
    bool showOnScreen();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};
