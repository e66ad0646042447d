#pragma once

#include <QString>
#include <QWidget>

/// A frameless window painted with a smooth gradient and rows of text,
/// standing in for the desktop the capture benchmarks grab. rowText names
/// each row; "%1" in it becomes the row's y.
class Backdrop : public QWidget
{
public:
    Backdrop(const QRect &area, const QString &rowText);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_rowText;
};
