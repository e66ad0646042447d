#include "menudialog.h"
#include "alignmentcode.h"
#include "lazyiconengine.h"

#include <QKeySequence>
#include <QPainter>
#include <QPropertyAnimation>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>

MenuDialog::MenuDialog(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("menuPanel"));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(PanelWidth, PanelHeight);
    setWindowOpacity(0.8);

    cleanButton = makeButton(tr("清空便签"), QStringLiteral(":/img/clean.png"), 32, "cleanButton");
    leftButton = makeButton(tr("居左"), QStringLiteral(":/img/textleft.png"), 32, "leftButton");
    centerButton = makeButton(tr("居中"), QStringLiteral(":/img/textcenter.png"), 32, "centerButton");
    rightButton = makeButton(tr("居右"), QStringLiteral(":/img/textright.png"), 32, "rightButton");
    saveButton = makeButton(tr("保存便签"), QStringLiteral(":/img/save.png"), 32, "saveButton");
    openButton = makeButton(tr("打开便签"), QStringLiteral(":/img/open.png"), 32, "openButton");
    // The main window's Ctrl+S and Ctrl+O run these two (WindowShortcuts): the
    // tips show the keys, the accessible descriptions keep the bare names.
    saveButton->setAccessibleDescription(saveButton->toolTip());
    saveButton->setToolTip(tr("保存便签 (Ctrl+S)"));
    openButton->setAccessibleDescription(openButton->toolTip());
    openButton->setToolTip(tr("打开便签 (Ctrl+O)"));
    aboutButton = makeButton(tr("关于"), QStringLiteral(":/img/about.png"), 32, "aboutButton");
    autoHideButton = makeButton(tr("自动隐藏"), QStringLiteral(":/img/hide.png"), 32, "autoHideButton");
    autoHideButton->setCheckable(true);
    autoHideButton->setChecked(true);
    quitButton = makeButton(tr("退出"), QStringLiteral(":/img/quita.png"), 32, "quitButton");
    closeButton = makeButton(tr("关闭菜单"), QStringLiteral(":/img/closemenu.png"), 20, "closeButton");
    closeButton->setAutoRaise(true);
    fixedButton = makeButton(tr("常驻标签"), QStringLiteral(":/img/fixed.png"), 32, "fixedButton");
    fixedButton->setAutoRaise(true);
    notFixedButton = makeButton(tr("取消常驻"), QStringLiteral(":/img/notfixed.png"), 32, "notFixedButton");
    notFixedButton->setAutoRaise(true);
    pictureButton = makeButton(tr("插入图片"), QStringLiteral(":/img/insertpicture.png"), 32, "pictureButton");
    pictureButton->setAutoRaise(true);
    // The main window's Ctrl+Shift+F runs the same search (NoteNavigation).
    searchButton = makeButton(tr("搜索所有便签"), QStringLiteral(":/img/search.png"), 32, "searchButton");
    searchButton->setAutoRaise(true);
    searchButton->setAccessibleDescription(searchButton->toolTip());
    searchButton->setToolTip(QStringLiteral("%1 (%2)").arg(
        searchButton->toolTip(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F).toString(QKeySequence::NativeText)));
    keepNewButton = makeButton(tr("新便签自动常驻"), QStringLiteral(":/img/keepnew.png"), 32, "keepNewButton");
    keepNewButton->setCheckable(true);
    keepNewButton->setChecked(true);
    recentButton = makeButton(tr("最近删除"), QStringLiteral(":/img/trash.png"), 32, "recentButton");

    const auto makeBar = [this](std::initializer_list<QToolButton *> buttons) {
        auto *bar = new QToolBar(this);
        bar->setAttribute(Qt::WA_TranslucentBackground);
        bar->setIconSize(QSize(24, 24));
        for (QToolButton *button : buttons)
            bar->addWidget(button);
        bar->adjustSize();
        return bar;
    };
    fileBar = makeBar({cleanButton, openButton, saveButton});
    alignBar = makeBar({leftButton, centerButton, rightButton});
    windowBar = makeBar({autoHideButton, aboutButton, quitButton});
    fixBar = makeBar({fixedButton, notFixedButton, pictureButton});
    keepBar = makeBar({keepNewButton, recentButton, searchButton});

    connect(quitButton, &QToolButton::clicked, this, &MenuDialog::quit);
    m_unfold = new QPropertyAnimation(this, "geometry", this);
    m_fold = new QPropertyAnimation(this, "geometry", this);
    connect(m_fold, &QPropertyAnimation::finished, this, &QWidget::close);
    connect(closeButton, &QToolButton::clicked, this, &MenuDialog::closeMenu);
    connect(cleanButton, &QToolButton::clicked, this, &MenuDialog::clean);
    connect(leftButton, &QToolButton::clicked, this, &MenuDialog::alignLeft);
    connect(centerButton, &QToolButton::clicked, this, &MenuDialog::alignMid);
    connect(rightButton, &QToolButton::clicked, this, &MenuDialog::alignRight);
    connect(aboutButton, &QToolButton::clicked, this, &MenuDialog::about);
    connect(saveButton, &QToolButton::clicked, this, &MenuDialog::save);
    connect(openButton, &QToolButton::clicked, this, &MenuDialog::open);
    connect(autoHideButton, &QToolButton::toggled, this, &MenuDialog::autoHide);
    connect(fixedButton, &QToolButton::clicked, this, &MenuDialog::fixed);
    connect(notFixedButton, &QToolButton::clicked, this, &MenuDialog::notFixed);
    connect(pictureButton, &QToolButton::clicked, this, &MenuDialog::picture);
    connect(searchButton, &QToolButton::clicked, this, &MenuDialog::search);
    connect(keepNewButton, &QToolButton::toggled, this, &MenuDialog::keepNewNotes);
    connect(recentButton, &QToolButton::clicked, this, &MenuDialog::recentlyDeleted);
    placeRows();
}

MenuDialog::~MenuDialog() = default;

QToolButton *MenuDialog::makeButton(const QString &toolTip, const QString &icon, int size,
                                    const char *objectName)
{
    auto *button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setToolTip(toolTip);
    // Read when the panel first shows: none is needed for the main window's first paint.
    button->setIcon(LazyIconEngine::icon(icon));
    button->setIconSize(QSize(size - 8, size - 8));
    button->setFixedSize(size, size);
    return button;
}

// Every command button reports, then the panel vanishes at once; the main
// window's slot has finished (modal dialogs included) before close() runs.
void MenuDialog::clean() { emit sigClean(); close(); }
void MenuDialog::alignLeft() { emit sigAlign(char(AlignmentCode::Left)); close(); }
void MenuDialog::alignMid() { emit sigAlign(char(AlignmentCode::Centre)); close(); }
void MenuDialog::alignRight() { emit sigAlign(char(AlignmentCode::Right)); close(); }
void MenuDialog::about() { emit sigAbout(); close(); }
void MenuDialog::save() { emit sigSave(); close(); }
void MenuDialog::open() { emit sigOpen(); close(); }
void MenuDialog::autoHide(bool on) { emit sigHide(on); close(); }
void MenuDialog::closeMenu() { emit sigCloseMenu(); }
void MenuDialog::fixed() { emit sigFixed(); close(); }
void MenuDialog::notFixed() { emit sigNotFixed(); close(); }
void MenuDialog::picture() { emit sigPicture(); close(); }
void MenuDialog::search() { emit sigSearch(); close(); }
void MenuDialog::keepNewNotes(bool on) { emit sigKeepNewNotes(on); close(); }
void MenuDialog::recentlyDeleted() { emit sigRecentlyDeleted(); close(); }
void MenuDialog::quit() { emit sigQuit(); }

void MenuDialog::setKeepNewNotes(bool on)
{
    const QSignalBlocker quiet(keepNewButton);
    keepNewButton->setChecked(on);
}

void MenuDialog::unfoldFrom(const QRect &window)
{
    const int x = window.x() + window.width() / 2 - PanelWidth / 2;
    const int y = window.y();
    m_fold->stop();
    setGeometry(x, y, 0, 0);
    m_unfold->stop();
    m_unfold->setDuration(FoldMs);
    m_unfold->setStartValue(geometry());
    m_unfold->setEndValue(QRect(x, y, PanelWidth, PanelHeight));
    show();
    m_unfold->start();
}

void MenuDialog::fold()
{
    m_unfold->stop();
    m_fold->stop();
    m_fold->setDuration(FoldMs);
    m_fold->setStartValue(geometry());
    m_fold->setEndValue(QRect(geometry().topLeft(), QSize(0, 0)));
    m_fold->start();
}

void MenuDialog::showEvent(QShowEvent *event)
{
    // The paper is read on first show too, which keeps the JPEG reader out of start-up.
    if (backPixmap.isNull())
        backPixmap.load(QStringLiteral(":/img/paper.jpg"));
    QDialog::showEvent(event);
}

void MenuDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(backPixmap));
    painter.drawRoundedRect(rect(), 10, 10, Qt::AbsoluteSize);
}

void MenuDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeRows();
}

void MenuDialog::placeRows()
{
    // All rows share the left edge of the centred bottom row.
    const int w = width();
    const int h = height();
    const int x = w / 2 - windowBar->width() / 2;
    windowBar->move(x, h - 42);
    alignBar->move(x, h - 84);
    keepBar->move(x, h - 126);
    fixBar->move(x, h - 168);
    fileBar->move(x, h - 210);
    closeButton->move(w - 25, h - 237);
}
