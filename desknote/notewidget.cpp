#include "notewidget.h"
#include "windowposition.h"
#include "lazyiconengine.h"
#include "logging.h"

#include "clockdialog.h"
#include "notepage.h"
#include "ringplayer.h"
#include "roundedframe.h"
#include "swayipc.h"
#include "windowshaker.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSizeGrip>
#include <QSlider>
#include <QTextEdit>
#include <QToolButton>

NoteWidget::NoteWidget(const QString &noteTitle, QWidget *parent)
    : QDialog(parent)
    , title(noteTitle)
    , timeTimer(this)
    , gapTimer(this)
    , shaker(new WindowShaker(this))
{
    setWindowFlags(flagsFor(false));
    setWindowTitle(noteTitle);
    backPixmap.load(QStringLiteral(":/img/back2.jpg"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumSize(MinWidth, MinHeight);
    setMaximumSize(MaxWidth, MaxHeight);
    resize(MinWidth, MinHeight);

    const auto makeButton = [this](const char *icon, const QString &tip, const char *name) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(LazyIconEngine::icon(QString::fromLatin1(icon)));
        button->setAutoRaise(true);
        button->setToolTip(tip);
        return button;
    };
    closeButton = makeButton(":/img/closemenu.png", tr("关闭便笺"), "closeButton");
    readOnlyButton = makeButton(":/img/delete.png", tr("设为只读"), "readOnlyButton");
    readOnlyButton->setCheckable(true);
    topButton = makeButton(":/img/pin.png", tr("保持最前"), "topButton");
    topButton->setCheckable(true);
    clockButton = makeButton(":/img/time.png", tr("定时提醒"), "clockButton");

    opacitySlider = new QSlider(Qt::Horizontal, this);
    opacitySlider->setObjectName(QStringLiteral("opacitySlider"));
    opacitySlider->setToolTip(tr("不透明度"));
    opacitySlider->setRange(5, 10);
    opacitySlider->setTickInterval(1);
    opacitySlider->setValue(10);
    opacitySlider->setFixedSize(35, 7);
    opacitySlider->setTickPosition(QSlider::TicksBelow);
    opacitySlider->setFocusPolicy(Qt::StrongFocus);

    sizeGrip = new QSizeGrip(this);
    sizeGrip->setObjectName(QStringLiteral("sizeGrip"));
    sizeGrip->setFixedSize(18, 18);

    connect(closeButton, &QToolButton::clicked, this, &NoteWidget::closeNote);
    connect(opacitySlider, &QSlider::valueChanged, this, &NoteWidget::setTransparent);
    connect(readOnlyButton, &QToolButton::toggled, this, &NoteWidget::setReadOnly);
    connect(topButton, &QToolButton::toggled, this, &NoteWidget::setStayOnTop);
    // After the handlers above, so a listener sees the new state.
    connect(readOnlyButton, &QToolButton::toggled, this, &NoteWidget::settingsChanged);
    connect(topButton, &QToolButton::toggled, this, &NoteWidget::settingsChanged);
    connect(opacitySlider, &QSlider::valueChanged, this, &NoteWidget::settingsChanged);

    timeTimer.setObjectName(QStringLiteral("timeTimer"));
    gapTimer.setObjectName(QStringLiteral("gapTimer"));
    // Re-armed after every timeout: one interval may need several timer
    // periods. Precise, as a coarse timer may be minutes off on long waits.
    gapTimer.setSingleShot(true);
    gapTimer.setTimerType(Qt::PreciseTimer);
    monotonic.start();
    connect(clockButton, &QToolButton::clicked, this, &NoteWidget::showClockEdit);
    connect(&timeTimer, &QTimer::timeout, this, &NoteWidget::startTimeListen);
    connect(&gapTimer, &QTimer::timeout, this, &NoteWidget::startGapListen);
}

NoteWidget::~NoteWidget() = default;

Qt::WindowFlags NoteWidget::flagsFor(bool onTop) const
{
    const Qt::WindowFlags normal = Qt::Tool | Qt::FramelessWindowHint;
    return onTop ? normal | Qt::WindowStaysOnTopHint : normal;
}

void NoteWidget::setTextEdit(QTextEdit *edit)
{
    textEdit = edit;
    edit->setParent(this);
    setStyleSheet(NotePage::styleSheet());
    edit->show();
    edit->setAttribute(Qt::WA_TranslucentBackground);
    // Read-only applied before the editor came; an editor read-only for its
    // own reasons (a conflict copy) stays so.
    if (readOnlyButton->isChecked())
        edit->setReadOnly(true);
    if (isVisible())
        placeEditor();
}

void NoteWidget::placeEditor()
{
    if (!textEdit)
        return;
    textEdit->setGeometry(bare ? rect().marginsAdded(bareOverhang) : rect().marginsRemoved(EditorMargins));
}

void NoteWidget::setPinned(bool on)
{
    if (pinned == on)
        return;
    pinned = on;
    emit settingsChanged();
}

void NoteWidget::setBare(bool on, const QMargins &overhang)
{
    const bool changed = bare != on;
    bare = on;
    bareOverhang = overhang;
    for (QWidget *control : std::initializer_list<QWidget *>{closeButton, readOnlyButton, clockButton, topButton,
                                                             sizeGrip, opacitySlider})
        control->setVisible(!on);
    placeEditor();
    update();
    if (changed)
        emit settingsChanged();
}

void NoteWidget::setBackground(const QString &path)
{
    // An empty or unreadable path keeps the current picture.
    QPixmap picture;
    if (!path.isEmpty() && picture.load(path)) {
        backPixmap = picture;
        update();
    }
}

void NoteWidget::closeNote()
{
    if (closing)
        return;
    closing = true;
    if (textEdit)
        textEdit->setParent(nullptr);
    // hide() rather than close(): a close event would come back here through
    // reject(), and a window that stays visible in its close event stops the
    // application from quitting.
    hide();
    emit sigClose(this);
}

void NoteWidget::reject()
{
    // Esc or a close request: the note goes back to the notebook instead of
    // hiding with its editor inside.
    closeNote();
}

void NoteWidget::setTransparent(int value)
{
    setWindowOpacity(value / 10.0);
}

void NoteWidget::setReadOnly(bool on)
{
    if (textEdit)
        textEdit->setReadOnly(on);
}

void NoteWidget::showClockEdit()
{
    ClockDialog dialog;
    WindowPosition::centreOver(&dialog, this);
    if (hasClock)
        dialog.setSettings(clockSettings);
    if (dialog.exec() != QDialog::Accepted)
        return;
    setReminder(dialog.getSettings());
}

bool NoteWidget::isReadOnly() const
{
    return readOnlyButton->isChecked();
}

int NoteWidget::opacityLevel() const
{
    return opacitySlider->value();
}

void NoteWidget::applySettings(bool readOnly, bool onTop, int opacity)
{
    readOnlyButton->setChecked(readOnly);
    opacitySlider->setValue(qBound(opacitySlider->minimum(), opacity, opacitySlider->maximum()));
    if (onTop == topButton->isChecked())
        return;
    if (isVisible()) {
        topButton->setChecked(onTop);
        return;
    }
    // setStayOnTop() shows the window: a note not shown yet only takes the flag.
    const QSignalBlocker blocker(topButton);
    topButton->setChecked(onTop);
    stayOnTop = onTop;
    setWindowFlags(flagsFor(onTop));
    emit settingsChanged();
}

void NoteWidget::setReminder(const ClockSettings &reminder)
{
    hasClock = true;
    clockSettings = reminder;
    armReminder();
    emit settingsChanged();
}

void NoteWidget::setMissed(bool on)
{
    if (missed == on)
        return;
    missed = on;
    // The clock button lights up and the title says so (screen readers read it).
    clockButton->setStyleSheet(on ? QStringLiteral("QToolButton { background: #f0a030; border-radius: 3px; }")
                                  : QString());
    clockButton->setToolTip(on ? tr("错过了提醒") : tr("定时提醒"));
    setWindowTitle(on ? tr("%1（错过提醒）").arg(title) : title);
    for (QObject *watched : {static_cast<QObject *>(this), textEdit ? static_cast<QObject *>(textEdit) : nullptr,
                             textEdit ? static_cast<QObject *>(textEdit->viewport()) : nullptr}) {
        if (!watched)
            continue;
        if (on)
            watched->installEventFilter(this);
        else
            watched->removeEventFilter(this);
    }
}

bool NoteWidget::eventFilter(QObject *watched, QEvent *event)
{
    // A click into the note or a key typed there opens it: the mark goes.
    // Not the window's activation: the window manager activates a note it
    // shows at start, before the user has seen anything.
    const QEvent::Type type = event->type();
    if (missed && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress)) {
        setMissed(false);
        emit missedSeen();
    }
    return QDialog::eventFilter(watched, event);
}

void NoteWidget::armReminder()
{
    // What the reminder dialog's OK does.
    if (clockSettings.timeActive) {
        qCDebug(lcDesknote, "reminder at %s", qPrintable(clockSettings.remindTime.toString()));
        timeSchedule.arm(clockSettings.remindTime, QDateTime::currentDateTime());
        timeTimer.start(1000);
    } else {
        timeSchedule.disarm();
        timeTimer.stop();
    }
    if (clockSettings.gapActive) {
        // Counting starts again from zero at every accept.
        gapSchedule.start(monotonic.elapsed(), clockSettings.gapMinutes, clockSettings.gapRepeat);
        gapTimer.start(gapSchedule.waitMs(monotonic.elapsed()));
    } else {
        gapSchedule.stop();
        gapTimer.stop();
    }
}

void NoteWidget::startTimeListen()
{
    if (!timeSchedule.tick(QDateTime::currentDateTime()))
        return;
    ring();
    shaker->start();
}

void NoteWidget::startGapListen()
{
    const bool fires = gapSchedule.timeout(monotonic.elapsed());
    if (gapSchedule.isActive())
        gapTimer.start(gapSchedule.waitMs(monotonic.elapsed()));
    if (!fires)
        return;
    qCDebug(lcDesknote, "interval reminder rings");
    ring();
}

void NoteWidget::ring()
{
    // Every firing gets a player of its own, so overlapping sounds are each
    // released when they end. A missing ring file plays the built-in ring.
    player = new RingPlayer(RingPlayer::Fallback::BuiltInRing, this);
    connect(player, &RingPlayer::finished, this, &NoteWidget::deleteOutPut);
    player->play(clockSettings.ringPath);
    emit reminderRang();
}

void NoteWidget::deleteOutPut()
{
    auto *ended = qobject_cast<RingPlayer *>(sender());
    if (!ended)
        return;
    disconnect(ended, &RingPlayer::finished, this, &NoteWidget::deleteOutPut);
    ended->deleteLater();
    if (ended == player)
        player = nullptr;
}

void NoteWidget::setStayOnTop(bool on)
{
    stayOnTop = on;
    setWindowFlags(flagsFor(on));
    show();
}

void NoteWidget::mousePressEvent(QMouseEvent *event)
{
    drag.pressEvent(this, event);
}

void NoteWidget::mouseMoveEvent(QMouseEvent *event)
{
    drag.moveEvent(this, event);
}

void NoteWidget::mouseReleaseEvent(QMouseEvent *)
{
    drag.releaseEvent(this);
}

void NoteWidget::paintEvent(QPaintEvent *)
{
    // Bare, the editor covers everything there is to see.
    if (bare)
        return;
    QPainter painter(this);
    RoundedFrame::paint(painter, rect(), backPixmap);
    // A light veil under the text: the skin shows through, but dark or busy
    // art never sits right behind the note's (mostly dark) text.
    if (textEdit)
        painter.fillRect(textEdit->geometry(), QColor(255, 255, 255, 200));
}

void NoteWidget::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    placeEditor();
    closeButton->move(w - 25, 3);
    readOnlyButton->move(w - 45, 3);
    clockButton->move(w - 65, 3);
    topButton->move(w - 85, 3);
    sizeGrip->move(w - sizeGrip->width() - 2, h - sizeGrip->height() - 2);
    opacitySlider->move(10, h - 12);
    emit geometryChanged();
}

void NoteWidget::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // sway centres a floating X window that places itself.
    SwayIpc::keepPlaceWhenMapped(this);
}

void NoteWidget::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    emit geometryChanged();
}
