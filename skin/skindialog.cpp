#include "skindialog.h"
#include "lazyiconengine.h"

#include "roundedframe.h"
#include "skinlist.h"

#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace {
const char *const DialogBackground = ":/img/back1.png";
}

SkinDialog::SkinDialog(QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    fillList();

    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("更换皮肤"));
    resize(300, 100);
    setStyleSheet(QStringLiteral("QLabel{color:white}QCheckBox{color:white}"));
    backPixmap.load(QString::fromLatin1(DialogBackground));

    const auto makeButton = [this](const char *name, const char *icon) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(LazyIconEngine::icon(QString::fromLatin1(icon)));
        button->setAutoRaise(true);
        return button;
    };
    closeButton = makeButton("closeButton", ":/img/closemenu.png");
    closeButton->setToolTip(tr("关闭窗口"));
    okButton = makeButton("okButton", ":/img/nameok.png");
    okButton->setFixedSize(25, 25);
    okButton->setToolTip(tr("确定"));
    cancelButton = makeButton("cancelButton", ":/img/namecancle.png");
    cancelButton->setFixedSize(25, 25);
    cancelButton->setToolTip(tr("取消"));

    connect(closeButton, &QToolButton::clicked, this, &QDialog::close);
    connect(okButton, &QToolButton::clicked, this, &SkinDialog::closeWindow);
    connect(cancelButton, &QToolButton::clicked, this, &QDialog::reject);
    // Connected after filling: filling the list previews nothing.
    connect(skinCombo, &QComboBox::currentIndexChanged, this, &SkinDialog::indexChanged);
}

SkinDialog::~SkinDialog() = default;

void SkinDialog::fillList()
{
    skinCombo = new QComboBox(this);
    skinCombo->setObjectName(QStringLiteral("skinCombo"));
    skinCombo->setFixedWidth(150);
    skinList = SkinList::read();
    for (const QString &entry : std::as_const(skinList)) {
        const QString path = SkinList::folder() + entry;
        if (!QFileInfo::exists(path))
            continue;
        // An unreadable picture still gets its item, with an empty icon.
        skinCombo->addItem(QIcon(QPixmap(path)), QFileInfo(path).baseName(), entry);
    }
}

QString SkinDialog::pathOf(int index) const
{
    return SkinList::folder() + skinCombo->itemData(index).toString();
}

void SkinDialog::indexChanged(int index)
{
    if (index < 0)
        return;
    // A picture that does not load shows the dialog's own background.
    if (!backPixmap.load(pathOf(index)))
        backPixmap.load(QString::fromLatin1(DialogBackground));
    update();
}

void SkinDialog::closeWindow()
{
    // With nothing offered there is nothing to choose: OK is a cancel.
    if (skinCombo->currentIndex() < 0) {
        reject();
        return;
    }
    selectedPath = pathOf(skinCombo->currentIndex());
    accept();
}

void SkinDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        closeWindow();
    else
        QDialog::keyPressEvent(event);
}

void SkinDialog::mousePressEvent(QMouseEvent *event)
{
    drag.pressEvent(this, event);
}

void SkinDialog::mouseMoveEvent(QMouseEvent *event)
{
    drag.moveEvent(this, event);
}

void SkinDialog::mouseReleaseEvent(QMouseEvent *)
{
    drag.releaseEvent(this);
}

void SkinDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    RoundedFrame::paint(painter, rect(), backPixmap);
}

void SkinDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    closeButton->move(w - 25, 3);
    skinCombo->move(w / 2 - skinCombo->width() / 2, 45);
    okButton->move(w / 2 - okButton->width() - 5, h - okButton->height() - 5);
    cancelButton->move(w / 2 + 5, h - okButton->height() - 5);
}
