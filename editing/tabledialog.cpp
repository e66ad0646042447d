#include "tabledialog.h"
#include "lazyiconengine.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPropertyAnimation>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace {
QToolBar *makeBar(QWidget *parent, const char *name)
{
    auto *bar = new QToolBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setAttribute(Qt::WA_TranslucentBackground);
    return bar;
}

QSpinBox *makeSpinBox(QWidget *parent, const char *name, int minimum, int maximum, int value)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}
}

TableDialog::TableDialog(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("tableDialog"));
    // Modal from the moment it drops down: exec() on a window that is
    // already shown would run its loop without blocking the main window.
    setModal(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowOpacity(0.8);
    setStyleSheet(QStringLiteral("QLabel{color:black}"));

    buttonBar = makeBar(this, "buttonBar");
    rowsBar = makeBar(this, "rowsBar");
    columnsBar = makeBar(this, "columnsBar");
    widthBar = makeBar(this, "widthBar");
    layoutBar = makeBar(this, "layoutBar");
    sizeRow = makeBar(this, "sizeRow");
    shapeRow = makeBar(this, "shapeRow");

    rowsLabel = new QLabel(tr("行数:"), this);
    columnsLabel = new QLabel(tr("列数:"), this);
    widthLabel = new QLabel(tr("宽度:"), this);
    layoutLabel = new QLabel(tr("布局:"), this);

    okButton = new QToolButton(this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setIcon(LazyIconEngine::icon(QStringLiteral(":/img/nameok.png")));
    okButton->setToolTip(tr("插入"));
    cancelButton = new QToolButton(this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setIcon(LazyIconEngine::icon(QStringLiteral(":/img/namecancle.png")));
    cancelButton->setToolTip(tr("取消"));
    buttonBar->addWidget(okButton);
    buttonBar->addWidget(cancelButton);
    connect(okButton, &QToolButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QToolButton::clicked, this, &QDialog::reject);

    // At least one row and one column: a table cannot exist without them.
    rowsBox = makeSpinBox(this, "rowsBox", 1, 99, 3);
    columnsBox = makeSpinBox(this, "columnsBox", 1, 99, 3);
    widthBox = makeSpinBox(this, "widthBox", 20, 200, 100);
    alignCombo = new QComboBox(this);
    alignCombo->setObjectName(QStringLiteral("alignCombo"));
    alignCombo->addItems({tr("居左"), tr("居中"), tr("居右")});

    rowsBar->addWidget(rowsLabel);
    rowsBar->addWidget(rowsBox);
    columnsBar->addWidget(columnsLabel);
    columnsBar->addWidget(columnsBox);
    widthBar->addWidget(widthLabel);
    widthBar->addWidget(widthBox);
    layoutBar->addWidget(layoutLabel);
    layoutBar->addWidget(alignCombo);
    sizeRow->addWidget(rowsBar);
    sizeRow->addWidget(columnsBar);
    shapeRow->addWidget(widthBar);
    shapeRow->addWidget(layoutBar);
    for (QToolBar *bar : {buttonBar, sizeRow, shapeRow})
        bar->adjustSize();

    resize(DialogWidth, DialogHeight);
}

TableDialog::~TableDialog() = default;

void TableDialog::reset()
{
    columnsBox->setValue(3);
    rowsBox->setValue(3);
    widthBox->setValue(100);
    alignCombo->setCurrentIndex(0);
    setResult(QDialog::Rejected);
}

int TableDialog::ask()
{
    if (!isVisible())
        return result();
    return exec();
}

void TableDialog::askAndInsert(QTextEdit *editor)
{
    // The cursor is taken before the dialog runs: that is where the table goes.
    QPointer<QTextEdit> target = editor;
    const QTextCursor cursor = editor ? editor->textCursor() : QTextCursor();
    if (ask() != QDialog::Accepted || !target)
        return;
    const QTextCursor typing = shape().applyAndEnter(cursor);
    if (!typing.isNull())
        target->setTextCursor(typing);
}

TableShape TableDialog::shape() const
{
    return TableShape(rowsBox->value(), columnsBox->value(), widthBox->value(),
                      alignCombo->currentIndex());
}

void TableDialog::dropDown(QPropertyAnimation *animation, const QRect &window)
{
    const int x = window.x() + window.width() / 2 - width() / 2;
    const int y = window.y();
    setGeometry(x, y, DialogWidth, 10);
    // One pixel, not none: a window of no height is mapped only once it
    // grows, and the window manager then puts it in the screen's corner.
    resize(width(), 1);
    animation->stop();
    animation->setStartValue(geometry());
    const int endX = window.x() + window.width() / 2 - width() / 2;
    animation->setEndValue(QRect(endX, y, DialogWidth, DialogHeight));
    animation->setDuration(DropDownMs);
    animation->setEasingCurve(QEasingCurve::Linear);
    show();
    animation->start();
}

void TableDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setBrush(QBrush(QPixmap(QStringLiteral(":/img/tabledialog.png"))));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(rect(), 10, 10, Qt::AbsoluteSize);

    // Each row centred on the dialog, hanging from its bottom edge.
    const int w = width();
    const int h = height();
    sizeRow->move(w / 2 - sizeRow->width() / 2, h - 100);
    shapeRow->move(w / 2 - shapeRow->width() / 2, h - 70);
    buttonBar->move(w / 2 - buttonBar->width() / 2, h - 40);
}
