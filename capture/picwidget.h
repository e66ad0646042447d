#pragma once

#include <QPixmap>
#include <QWidget>

/// The picture panel on the left of the capture help window: a fixed
/// 200 x 300 area showing ":/img/aboutback.png" from its top-left corner.
class PicWidget : public QWidget
{
    Q_OBJECT
public:
    explicit PicWidget(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture;
};
