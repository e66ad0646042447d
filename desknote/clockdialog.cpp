#include "clockdialog.h"
#include "lazyiconengine.h"

#include "ringplayer.h"
#include "roundedframe.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardPaths>
#include <QToolButton>

ClockDialog::ClockDialog(QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("定时提醒"));
    resize(300, 230);
    setStyleSheet(QStringLiteral("QLabel{color:white}QCheckBox{color:white}"));
    backPixmap.load(QStringLiteral(":/img/back1.png"));

    closeButton = makeButton("closeButton", ":/img/closemenu.png", tr("关闭窗口"));
    okButton = makeButton("okButton", ":/img/nameok.png", tr("确定"));
    okButton->setFixedSize(25, 25);
    cancelButton = makeButton("cancelButton", ":/img/namecancle.png", tr("取消"));
    cancelButton->setFixedSize(25, 25);
    selectButton = makeButton("selectButton", nullptr, QString());
    selectButton->setText(tr("选择闹铃..."));
    selectButton->setStyleSheet(QStringLiteral("color:white"));
    selectButton->setFixedSize(80, 20);
    stopButton = makeButton("stopButton", ":/img/media-stop-16.png", tr("停止"));
    stopButton->setFixedSize(20, 20);
    playButton = makeButton("playButton", ":/img/media-play-16.png", tr("试听"));
    playButton->setFixedSize(20, 20);
    pauseButton = makeButton("pauseButton", ":/img/media-pause-16.png", tr("暂停"));
    pauseButton->setFixedSize(20, 20);
    setPreviewButtons(false, false);

    timeEdit = new QDateTimeEdit(QDateTime::currentDateTime(), this);
    timeEdit->setObjectName(QStringLiteral("timeEdit"));
    timeEdit->setCalendarPopup(true);
    timeEdit->setFixedWidth(160);
    timeEdit->setEnabled(false);

    gapEdit = new QLineEdit(this);
    gapEdit->setObjectName(QStringLiteral("gapEdit"));
    gapEdit->setValidator(new QIntValidator(0, 99999, gapEdit));
    gapEdit->setFixedWidth(50);
    ringEdit = new QLineEdit(ClockSettings::defaultRingPath(), this);
    ringEdit->setObjectName(QStringLiteral("ringEdit"));
    ringEdit->setReadOnly(true);
    ringEdit->setFixedWidth(170);

    timeLabel = new QLabel(tr("定时提醒:"), this);
    timeLabel->setFixedWidth(60);
    gapLabel = new QLabel(tr("间隔提醒(分):"), this);
    gapLabel->adjustSize();
    // A screen reader names the fields by their labels.
    timeLabel->setBuddy(timeEdit);
    gapLabel->setBuddy(gapEdit);
    repeatBox = new QCheckBox(tr("重复"), this);
    repeatBox->setObjectName(QStringLiteral("repeatBox"));
    repeatBox->setToolTip(tr("间隔时间持续提醒"));
    repeatBox->adjustSize();
    activeBox = new QCheckBox(tr("激活"), this);
    activeBox->setObjectName(QStringLiteral("activeBox"));
    activeBox->setToolTip(tr("激活定时提醒"));
    activeBox->adjustSize();

    connect(closeButton, &QToolButton::clicked, this, &QDialog::reject);
    connect(okButton, &QToolButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QToolButton::clicked, this, &QDialog::reject);
    connect(activeBox, &QCheckBox::toggled, timeEdit, &QWidget::setEnabled);
    connect(selectButton, &QToolButton::clicked, this, &ClockDialog::selectPath);
    connect(playButton, &QToolButton::clicked, this, &ClockDialog::play);
    connect(stopButton, &QToolButton::clicked, this, &ClockDialog::stop);
    connect(pauseButton, &QToolButton::clicked, this, &ClockDialog::pause);
}

ClockDialog::~ClockDialog() = default;

QToolButton *ClockDialog::makeButton(const char *name, const char *icon, const QString &tip)
{
    auto *button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    if (icon)
        button->setIcon(LazyIconEngine::icon(QString::fromLatin1(icon)));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    return button;
}

ClockSettings ClockDialog::getSettings()
{
    settings.timeActive = activeBox->isChecked();
    settings.remindTime = timeEdit->dateTime();
    settings.gapRepeat = repeatBox->isChecked();
    settings.gapMinutes = gapEdit->text().toInt();
    // Any text that reads as no minutes ("", "0", "00") switches it off.
    settings.gapActive = settings.gapMinutes > 0;
    settings.ringPath = ringEdit->text();
    return settings;
}

void ClockDialog::setSettings(const ClockSettings &s)
{
    settings = s;
    activeBox->setChecked(s.timeActive);
    if (s.timeActive)
        timeEdit->setDateTime(s.remindTime);
    if (s.gapActive) {
        gapEdit->setText(QString::number(s.gapMinutes));
        repeatBox->setChecked(s.gapRepeat);
    }
    ringEdit->setText(s.ringPath);
}

void ClockDialog::selectPath()
{
    QString start = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    const QString path = QFileDialog::getOpenFileName(this, tr("选择闹铃"), start, tr("音乐文件 (*.wav *.mp3)"));
    if (!path.isEmpty())
        ringEdit->setText(path);
}

void ClockDialog::play()
{
    if (player) {
        player->play();
    } else {
        const QString path = ringEdit->text();
        if (path.isEmpty())
            return;
        // A preview plays the file itself: one that cannot be played ends at once.
        player = new RingPlayer(RingPlayer::Fallback::None, this);
        connect(player, &RingPlayer::finished, this, &ClockDialog::stop);
        player->play(path);
    }
    setPreviewButtons(true, false);
}

void ClockDialog::pause()
{
    if (!player)
        return;
    player->pause();
    setPreviewButtons(false, true);
}

void ClockDialog::stop()
{
    if (player) {
        player->stop();
        disconnect(player, &RingPlayer::finished, this, &ClockDialog::stop);
        player->deleteLater();
        player = nullptr;
    }
    setPreviewButtons(false, false);
}

void ClockDialog::setPreviewButtons(bool playing, bool paused)
{
    playButton->setEnabled(!playing);
    pauseButton->setEnabled(playing);
    stopButton->setEnabled(playing || paused);
}

void ClockDialog::mousePressEvent(QMouseEvent *event)
{
    drag.pressEvent(this, event);
}

void ClockDialog::mouseMoveEvent(QMouseEvent *event)
{
    drag.moveEvent(this, event);
}

void ClockDialog::mouseReleaseEvent(QMouseEvent *)
{
    drag.releaseEvent(this);
}

void ClockDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    RoundedFrame::paint(painter, rect(), backPixmap);
}

void ClockDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    closeButton->move(w - 25, 3);
    timeLabel->move(20, 40);
    timeEdit->move(timeLabel->width() + 20, 35);
    activeBox->move(250, 38);
    gapLabel->move(20, 75);
    gapEdit->move(105, 70);
    repeatBox->move(250, 75);
    ringEdit->move(20, 110);
    selectButton->move(200, 110);
    playButton->move(40, 140);
    pauseButton->move(70, 140);
    stopButton->move(100, 140);
    okButton->move(w / 2 - okButton->width() - 5, h - okButton->height() - 5);
    cancelButton->move(w / 2 + 5, h - okButton->height() - 5);
}
