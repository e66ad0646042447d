#include "inputdialog.h"

#include "desktopgrabber.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

InputDialog::InputDialog(QWidget *parent)
    : QDialog(parent)
{
    const QRect desktop = DesktopGrabber::geometry();
    screenWidth = desktop.width();
    screenHeight = desktop.height();

    widthLabel = new QLabel(tr("输入固定宽度:"), this);
    heightLabel = new QLabel(tr("输入固定高度:"), this);
    noteLabel = new QLabel(tr("说明:若为0则不做任何修改"), this);
    widthEdit = new QLineEdit(this);
    widthEdit->setObjectName(QStringLiteral("widthEdit"));
    heightEdit = new QLineEdit(this);
    heightEdit->setObjectName(QStringLiteral("heightEdit"));
    okButton = new QPushButton(tr("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton = new QPushButton(tr("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));

    widthEdit->setValidator(new QIntValidator(0, screenWidth, widthEdit));
    widthEdit->setText(QStringLiteral("0"));
    widthEdit->setFocus();
    heightEdit->setValidator(new QIntValidator(0, screenHeight, heightEdit));
    heightEdit->setText(QStringLiteral("0"));

    auto *noteRow = new QHBoxLayout;
    noteRow->addStretch();
    noteRow->addWidget(noteLabel);
    noteRow->addStretch();
    auto *widthRow = new QHBoxLayout;
    widthRow->addWidget(widthLabel);
    widthRow->addWidget(widthEdit);
    auto *heightRow = new QHBoxLayout;
    heightRow->addWidget(heightLabel);
    heightRow->addWidget(heightEdit);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(cancelButton);
    buttonRow->addStretch();
    auto *column = new QVBoxLayout(this);
    column->addLayout(noteRow);
    column->addLayout(widthRow);
    column->addLayout(heightRow);
    column->addLayout(buttonRow);

    setStyleSheet(QStringLiteral("background-image:url(:/img/back1.png);color:white"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);

    connect(okButton, &QPushButton::clicked, this, &InputDialog::sendInput);
    connect(cancelButton, &QPushButton::clicked, this, &InputDialog::close);
}

void InputDialog::sendInput()
{
    // Empty or invalid text counts as 0: that dimension stays as it is.
    const int width = widthEdit->text().toInt(nullptr, 10);
    const int height = heightEdit->text().toInt(nullptr, 10);
    emit input(width, height);
    close();
}
