#include "dialog.h"
#include "lazyiconengine.h"
#include "messagelabel.h"
#include "logging.h"

#include "dropopener.h"
#include "editorbehaviour.h"
#include "firstframereport.h"
#include "formatbar.h"
#include "capturehandoff.h"
#include "capturekeynotice.h"
#include "capturelauncher.h"
#include "globalshortcut.h"
#include "menudialog.h"
#include "notebook.h"
#include "noteeditor.h"
#include "notefileactions.h"
#include "notedirectory.h"
#include "notenavigation.h"
#include "noteprinter.h"
#include "notebookfolder.h"
#include "notebooksync.h"
#include "notestatekeeper.h"
#include "notetabwidget.h"
#include "notewidget.h"
#include "promptbar.h"
#include "recentlydeleted.h"
#include "recordheader.h"
#include "homepage.h"
#include "rollup.h"
#include "roundedframe.h"
#include "skindialog.h"
#include "slidein.h"
#include "tabledialog.h"
#include "trashlistdialog.h"
#include "titleclock.h"
#include "tray.h"
#include "waylandselection.h"
#include "uilanguage.h"
#include "widget.h"
#include "windowshortcuts.h"
#include "windowposition.h"
#include "windowstatekeeper.h"
#include "xdgautostartentry.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSizeGrip>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QTime>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

namespace {
constexpr int MinWidth = 400;
constexpr int MinHeight = RollUp::RolledHeight;
constexpr int MaxWidth = 800;
constexpr int MaxHeight = 650;
constexpr int TitleBtnLockMs = 360;

// A flat icon button of the frame, found by its object name.
QToolButton *frameButton(QWidget *parent, const char *name, const char *icon, const QString &toolTip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(LazyIconEngine::icon(QLatin1String(icon)));
    button->setAutoRaise(true);
    button->setToolTip(toolTip);
    button->adjustSize();
    return button;
}
}

Dialog::Dialog(std::unique_ptr<AutoStartEntry> autoStartEntry)
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , autoStart(std::move(autoStartEntry))
{
    setObjectName(QStringLiteral("mainWindow"));
    if (!autoStart)
        autoStart = std::make_unique<XdgAutoStartEntry>();
    // Without a tray a hidden tool window could never be found again: such a
    // window gets a taskbar entry and minimises instead of hiding.
    trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    if (!trayAvailable)
        setWindowFlags(baseFlags() | Qt::WindowStaysOnTopHint);

    setWindowTitle(tr("Velmo Note"));
    setAttribute(Qt::WA_TranslucentBackground);

    // Ctrl+Alt+C starts a capture from anywhere; the key lives as long as this window.
    auto *hotKey = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), this);
    connect(hotKey, &GlobalShortcut::activated, this, &Dialog::startCutScreen);
    connect(hotKey, &GlobalShortcut::unavailable, this, &Dialog::reportHotKeyUnavailable);
    captureLauncher = new CaptureLauncher(this);
    connect(captureLauncher, &CaptureLauncher::failed, this, &Dialog::captureFailed);
    Widget::prepareCapture(this);
    // On XWayland, copies reach native Wayland programs too.
    WaylandSelection::install(this);

    backPixmap.load(QStringLiteral(":/img/mainback.png"));
    createTableDialog();
    createMenuPanel();

    unpinIcon = LazyIconEngine::icon(QStringLiteral(":/img/unpin.png"));
    pinIcon = LazyIconEngine::icon(QStringLiteral(":/img/pin.png"));

    createTitleStrip();
    createMessageLabel();
    createTrayIcon();
    createFrameControls();
    createCornerBar();
    createFormatBar();
    rollUp = new RollUp(this, {opacitySlider, sizeGrip});
    createNotebook();
    readHistroyTab();
    delBar = PromptBar::askDelete(this);

    resize(400, 350);
    setMinimumSize(MinWidth, MinHeight);
    setMaximumSize(MaxWidth, MaxHeight);

    nameBar = PromptBar::askName(this);

    connectSignals();

    placeChildren();
    WindowPosition::centreOver(this, nullptr);
    new WindowStateKeeper(this, rollUp, menuPanel, m_session->state());
}

Dialog::~Dialog() = default;

Qt::WindowFlags Dialog::baseFlags() const
{
    return (trayAvailable ? Qt::Tool : Qt::Window) | Qt::FramelessWindowHint;
}

bool Dialog::hidesToTray() const { return trayAvailable; }

// ---- builders -------------------------------------------------------------

void Dialog::createTableDialog()
{
    // The dialog itself is built when first asked for: its spin boxes would
    // cost the first paint about as much as all the rest of the window.
    tableAnimation = new QPropertyAnimation(this);
    tableAnimation->setObjectName(QStringLiteral("tableAnimation"));
    tableAnimation->setPropertyName("geometry");
}

void Dialog::createMenuPanel() { menuPanel = new MenuDialog(this); }

void Dialog::createTitleStrip()
{
    topLeftButton = frameButton(this, "topLeftButton", ":/img/Tray.png", tr("收起或展开窗口"));
}

void Dialog::createMessageLabel() { tipLabel = new MessageLabel(this); }

void Dialog::createTrayIcon()
{
    tray = new Tray(this, trayAvailable);
    tray->action(Tray::AutoStart)->setChecked(autoStart->exists());
    tray->action(Tray::SyncFolder)->setChecked(NotebookSync::isOn(QDir::currentPath()));
}

void Dialog::createFrameControls()
{
    hideButton = frameButton(this, "hideButton", ":/img/down.png", tr("最小化"));
    hideButton->setFixedSize(20, 20);

    titleClock = new TitleClock(this);
    titleButton = titleClock->button();

    skinButton = frameButton(this, "skinButton", ":/img/skin.png", tr("更换皮肤"));

    sizeGrip = new QSizeGrip(this);
    sizeGrip->setObjectName(QStringLiteral("sizeGrip"));
    sizeGrip->adjustSize();
}

void Dialog::createCornerBar()
{
    cornerBar = new QToolBar(this);
    cornerBar->setObjectName(QStringLiteral("cornerBar"));
    cornerBar->setAttribute(Qt::WA_TranslucentBackground);
    cornerBar->setIconSize(QSize(13, 13));
    // A pale backing, as the formatting bar has: readable on every skin.
    cornerBar->setStyleSheet(QStringLiteral("QToolBar { background: rgba(255, 255, 255, 225); border-radius: 4px; }"));
    renameButton = PromptBar::addButton(cornerBar, ":/img/rename.png", tr("便签改名"));
    renameButton->setObjectName(QStringLiteral("renameButton"));
    addButton = PromptBar::addButton(cornerBar, ":/img/add.png", tr("添加便签"));
    addButton->setObjectName(QStringLiteral("addButton"));
    stickButton = PromptBar::addButton(cornerBar, ":/img/resize.png", tr("贴在屏幕上"));
    stickButton->setObjectName(QStringLiteral("stickButton"));
    stickButton->setAutoRaise(true);
}

void Dialog::createFormatBar()
{
    formatBar = new FormatBar([this] { return notebook ? notebook->currentEditor() : nullptr; }, this);
    formatBar->setObjectName(QStringLiteral("formatBar"));
    formatBar->setAttribute(Qt::WA_TranslucentBackground);

    opacitySlider = new QSlider(Qt::Horizontal, this);
    opacitySlider->setObjectName(QStringLiteral("opacitySlider"));
    opacitySlider->setRange(5, 10);
    opacitySlider->setValue(10);
    opacitySlider->setTickInterval(1);
    opacitySlider->setTickPosition(QSlider::TicksBelow);
    opacitySlider->setFocusPolicy(Qt::StrongFocus);
    opacitySlider->setFixedSize(35, 7);
    opacitySlider->setToolTip(tr("不透明度"));
}

void Dialog::createNotebook()
{
    // Its tabs draw their own close glyphs: Qt's closable tabs make
    // restoring a large notebook slow.
    tabWidget = new NoteTabWidget(this);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));
    tabWidget->setMovable(true);
    tabWidget->setIconSize(QSize(13, 13));
    tabWidget->setCornerWidget(cornerBar, Qt::TopRightCorner);

    auto *homeEdit = new QTextEdit;
    notebook = new Notebook(tabWidget, homeEdit, pinIcon, unpinIcon, this);
    auto *homePage = new HomePage(homeEdit, this);
    tabWidget->addTab(homeEdit, tr("便签首页"));
    // Every editor, restored ones and the home page included, gets the note
    // keys and shows its format on the toolbar once its text is in: the
    // toolbar starts from its defaults.
    const auto followFormat = [this](QTextEdit *editor) {
        EditorBehaviour::attach(editor);
        if (auto *pictures = qobject_cast<NoteEditor *>(editor))
            connect(pictures, &NoteEditor::pictureProblem, this, [this](const QString &text) { showToolTip(text, 4000); });
        connect(editor, &QTextEdit::currentCharFormatChanged, this, &Dialog::changeFont);
    };
    connect(notebook, &Notebook::editorAdded, this, followFormat);
    connect(homePage, &HomePage::ready, this, followFormat);
    noteFileActions = new NoteFileActions(notebook, tabWidget, this);
    noteFileActions->setObjectName(QStringLiteral("noteFileActions"));
    navigation = new NoteNavigation(notebook, tabWidget, cornerBar);
    tray->menu()->insertAction(tray->action(Tray::Capture), navigation->searchAction());
    connect(menuPanel, &MenuDialog::sigSearch, navigation, &NoteNavigation::openSearch);
    auto *drops = new DropOpener(this, rollUp, noteFileActions, [this] { return notebook->currentEditor(); });
    connect(drops, &DropOpener::message, this, [this](const QString &text) { showToolTip(text, 4000); });
    connect(notebook, &Notebook::editorAdded, drops, &DropOpener::watchEditor);
    drops->watchEditor(homeEdit);

    if (homePage->load(UiLanguage::homePageFile(QDir::currentPath())))
        tabWidget->setTabIcon(0, pinIcon);
    else
        showToolTip(tr("加载主页说明失败"), 1000);
}

void Dialog::readHistroyTab()
{
    m_session = std::make_unique<NotebookSession>(notebook, QDir::currentPath(), this);
    connect(m_session.get(), &NotebookSession::notice, this, &Dialog::showNotice);
    connect(m_session.get(), &NotebookSession::syncMessage, this, &Dialog::showSyncMessage);
    connect(m_session.get(), &NotebookSession::skinChanged, this, &Dialog::loadSkinPicture);
    m_recentlyDeleted = new RecentlyDeleted(notebook, m_session.get(), this);
    connect(m_recentlyDeleted, &RecentlyDeleted::notice, this, &Dialog::showNotice);
    m_session->open();
}

void Dialog::showSyncMessage(const QString &label, const QString &detail, bool problem)
{
    showToolTip(label, 4000);
    // The whole story in a balloon; a problem is told even without a tray.
    if (!detail.isEmpty())
        problem ? tellUser(tr("同步文件夹"), detail) : tray->inform(tr("同步文件夹"), detail);
}

void Dialog::setSyncFolder(bool on)
{
    if (!m_session->setSyncFolder(on))
        tray->action(Tray::SyncFolder)->setChecked(!on);
}

void Dialog::connectSignals()
{
    connect(hideButton, &QToolButton::clicked, this, &Dialog::hideDialog);
    connect(tray->icon(), &QSystemTrayIcon::activated, this, &Dialog::handleActivation);
    connect(tray->action(Tray::Quit), &QAction::triggered, this, &Dialog::quitAndSave);
    connect(tray->action(Tray::ShowMain), &QAction::triggered, this, &Dialog::showMainWindow);
    connect(tray->action(Tray::Capture), &QAction::triggered, this, &Dialog::startCutScreen);
    connect(CaptureHandoff::instance(), &CaptureHandoff::pinWanted, this,
            [this](const QImage &picture, const QRect &place, const QDateTime &captured) {
                CaptureHandoff::instance()->pinnedIn(m_session->pinPicture(picture, place, captured));
            });
    connect(CaptureHandoff::instance(), &CaptureHandoff::noteWanted, this, [this](const QImage &picture, const QDateTime &at) {
        const QString refused = noteFileActions->addCapture(picture, at);
        if (!refused.isEmpty())
            showToolTip(refused, 3000);
    });
    connect(tray->action(Tray::SyncFolder), &QAction::triggered, this, &Dialog::setSyncFolder);
    connect(tray->action(Tray::StayOnTop), &QAction::triggered, this, &Dialog::stayOnTop);
    connect(rollUp->animation(), &QPropertyAnimation::finished, this, &Dialog::animationEnd);
    connect(titleButton, &QPushButton::clicked, this, &Dialog::logoClicked);
    connect(opacitySlider, &QSlider::valueChanged, this, &Dialog::setTransparent);
    connect(topLeftButton, &QToolButton::clicked, this, &Dialog::topLeftBtnClicked);
    connect(tray->action(Tray::AutoStart), &QAction::triggered, this, &Dialog::setAutoStart);
    connect(renameButton, &QToolButton::clicked, this, &Dialog::preReName);
    connect(nameBar->okButton(), &QToolButton::clicked, this, &Dialog::animationEditEnd);
    connect(nameBar->cancelButton(), &QToolButton::clicked, this, &Dialog::quitEdit);
    connect(addButton, &QToolButton::clicked, this, &Dialog::preAddTab);
    connect(delBar->okButton(), &QToolButton::clicked, this, &Dialog::delTab);
    connect(delBar->cancelButton(), &QToolButton::clicked, this, &Dialog::quitDel);
    connect(tabWidget, &QTabWidget::currentChanged, this, &Dialog::currentTabChanged);
    connect(tabWidget, &QTabWidget::tabCloseRequested, this, &Dialog::preDelTab);
    connect(stickButton, &QToolButton::clicked, this, &Dialog::moveToScreen);
    connect(skinButton, &QToolButton::clicked, this, &Dialog::changeSkin);
    connect(menuPanel, &MenuDialog::sigFixed, this, &Dialog::setFixedTab);
    connect(menuPanel, &MenuDialog::sigNotFixed, this, &Dialog::setUnFixedTab);
    menuPanel->setKeepNewNotes(m_session->keepNewNotes());
    connect(menuPanel, &MenuDialog::sigKeepNewNotes, m_session.get(), &NotebookSession::setKeepNewNotes);
    connect(m_session.get(), &NotebookSession::keepNewNotesChanged, menuPanel, &MenuDialog::setKeepNewNotes);
    connect(menuPanel, &MenuDialog::sigRecentlyDeleted, this, [this] { TrashListDialog::run(m_recentlyDeleted, this); });

    connect(menuPanel, &MenuDialog::sigHide, this, &Dialog::autoHide);
    connect(menuPanel, &MenuDialog::sigAbout, this, &Dialog::about);
    connect(menuPanel, &MenuDialog::sigCloseMenu, this, &Dialog::closeMenu);
    connect(menuPanel, &MenuDialog::sigQuit, this, &Dialog::quitAndSave);
    connect(menuPanel, &QDialog::finished, this, &Dialog::focusCurrentNote);

    connect(formatBar->button(FormatBar::Record), &QToolButton::clicked, this, &Dialog::addRecord);
    connect(formatBar->button(FormatBar::Bold), &QToolButton::clicked, this, &Dialog::setBold);
    connect(formatBar->button(FormatBar::Italic), &QToolButton::clicked, this, &Dialog::setXie);
    connect(formatBar->button(FormatBar::Underline), &QToolButton::clicked, this, &Dialog::setUnderLine);
    connect(formatBar->button(FormatBar::Color), &QToolButton::clicked, this, &Dialog::setTextColor);
    connect(formatBar->button(FormatBar::Fill), &QToolButton::clicked, this, &Dialog::setBackColor);
    connect(formatBar->button(FormatBar::Table), &QToolButton::clicked, this, &Dialog::preInsertTable);
    connect(formatBar->button(FormatBar::Print), &QToolButton::clicked, this, &Dialog::print);
    connect(formatBar, &FormatBar::fontIndexChanged, this, &Dialog::setTextFamily);
    connect(formatBar, &FormatBar::sizeIndexChanged, this, &Dialog::setTextSize);
    connect(tableAnimation, &QPropertyAnimation::finished, this, &Dialog::insertTable);
    connect(menuPanel, &MenuDialog::sigClean, this, &Dialog::clean);
    connect(menuPanel, &MenuDialog::sigOpen, this, &Dialog::open);
    connect(menuPanel, &MenuDialog::sigSave, this, &Dialog::save);
    connect(menuPanel, &MenuDialog::sigPicture, this, [this] { tellIfAny(noteFileActions->insertPicture()); });
    connect(menuPanel, &MenuDialog::sigAlign, this, &Dialog::setAlign);
    WindowShortcuts::install(this, {addButton, menuPanel, formatBar, [this] { return notebook->currentEditor(); }});
}

// ---- placement and painting -------------------------------------------------

void Dialog::placeChildren()
{
    const int w = width();
    const int h = height();
    sizeGrip->move(w - sizeGrip->width() - 2, h - sizeGrip->height() - 2);
    hideButton->move(w - 25, 3);
    titleClock->centre();
    formatBar->adjustSize();
    formatBar->move(w / 2 - formatBar->width() / 2, 30);
    opacitySlider->move(10, h - 15);
    tabWidget->setGeometry(15, 70, w - 30, qMax(0, h - 100));
    topLeftButton->move(3, 2);
    skinButton->move(23, 2);
}

void Dialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    RoundedFrame::paint(painter, rect(), backPixmap);
    menuAnchor = QPoint(x() + width() - 43, y() + 23);
    if (!firstPaintReported) {
        firstPaintReported = true;
        FirstFrameReport::queue(this);
        m_session->firstFrameShown();
    }
}

void Dialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeChildren();
}

// ---- title strip --------------------------------------------------------------

void Dialog::setTitleTime() { titleClock->showTime(); }

void Dialog::mousePressEvent(QMouseEvent *event) { drag.pressEvent(this, event); }
void Dialog::mouseMoveEvent(QMouseEvent *event) { drag.moveEvent(this, event); }
void Dialog::mouseReleaseEvent(QMouseEvent *) { drag.releaseEvent(this); }
void Dialog::logoClicked() { menuPanel->unfoldFrom(geometry()); }
void Dialog::closeMenu() { menuPanel->fold(); }
void Dialog::about() { showToolTip(tr("Velmo Note 便签 Author:") + QStringLiteral("Lin Mo"), 1500); }
void Dialog::setTransparent(int i) { setWindowOpacity(i / 10.0); }
void Dialog::showToolTip(const QString &s, int ms) { tipLabel->showMessage(s, ms); }
void Dialog::showToolTip(const QString &s) { showToolTip(s, 1000); }

// ---- roll-up ----------------------------------------------------------------------

void Dialog::doAnimation() { rollUp->toggle(); }
void Dialog::animationEnd() { rollUp->finished(); }

void Dialog::autoHide(bool on)
{
    if (!rollUp->isExpanded()) {
        setFocus(Qt::OtherFocusReason);
        doAnimation();
    }
    autoHideOn = on;
}

void Dialog::topLeftBtnClicked()
{
    doAnimation();
    topLeftButton->setEnabled(false);
    QTimer::singleShot(TitleBtnLockMs, this, &Dialog::enableTitleBtn);
}

void Dialog::enableTitleBtn() { topLeftButton->setEnabled(true); }

bool Dialog::pointerOutside(QPoint p) const
{
    const QPoint at = pos();
    return p.x() <= at.x() || p.x() >= at.x() + width()
        || p.y() <= at.y() || p.y() >= at.y() + height();
}

void Dialog::enterEvent(QEnterEvent *event)
{
    QDialog::enterEvent(event);
    if (autoHideOn && !rollUp->isExpanded() && !rollUp->isAnimating())
        doAnimation();
}

void Dialog::leaveEvent(QEvent *event)
{
    QDialog::leaveEvent(event);
    // A pop-up of a child takes the pointer without it leaving our rectangle.
    if (autoHideOn && rollUp->isExpanded() && pointerOutside(QCursor::pos()) && !rollUp->isAnimating())
        doAnimation();
}

// ---- tray, hiding, stay on top --------------------------------------------------------

void Dialog::hideDialog()
{
    if (isHidden() || isMinimized()) {
        showMainWindow();
        return;
    }
    if (!trayAvailable) {
        showMinimized();
        // Some desktops (tiling Wayland compositors among them) have no
        // minimised state and leave the window on screen: then it hides, and
        // starting the program again shows it.
        m_minimizeAsked = true;
        QTimer::singleShot(500, this, [this] {
            if (m_minimizeAsked && windowHandle() && windowHandle()->isExposed())
                hide();
            m_minimizeAsked = false;
        });
        return;
    }
    hide();
    tray->icon()->showMessage(tr("提示"), tr("已经最小化到托盘"), QSystemTrayIcon::Information, 500);
    tray->icon()->show();
}

void Dialog::showMainWindow()
{
    m_minimizeAsked = false;
    if (isMinimized())
        showNormal();
    show();
}

void Dialog::handleSecondStart(const QString &request)
{
    if (request == QLatin1String("capture")) {
        captureKeyUsed();
        startCutScreen();
        return;
    }
    if (request != QLatin1String("show"))
        return;
    showMainWindow();
    raise();
    activateWindow();
}

void Dialog::reject()
{
    // Esc and the window manager's close only hide the window, like the
    // hide button; the program ends only through quitAndSave(). With a bar
    // open, Esc cancels just that bar.
    if (nameBar->isVisible())
        quitEdit();
    else if (delBar->isVisible())
        quitDel();
    else if (quitting)
        QDialog::reject();
    else if (isVisible() && !isMinimized())
        hideDialog();
}

void Dialog::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (tray->completesDoubleClick(reason))
        hideDialog();
}

void Dialog::stayOnTop(bool b)
{
    setWindowFlags(b ? baseFlags() | Qt::WindowStaysOnTopHint : baseFlags());
    show();
}

void Dialog::showMenu() { tray->menu()->exec(menuAnchor); }

void Dialog::setAutoStart(bool on)
{
    const QString dir = QDir::currentPath();
    if (on)
        autoStart->create(NotebookFolder::startProgram(dir, QCoreApplication::applicationFilePath()), dir);
    else
        autoStart->remove();
    // The check mark says whether the entry exists, not what was asked for.
    const bool exists = autoStart->exists();
    tray->action(Tray::AutoStart)->setChecked(exists);
    if (exists != on)
        showNotice({on ? tr("无法设置开机自启动") : tr("无法取消开机自启动"),
                    on ? tr("无法创建开机自启动项，程序不会随系统启动") : tr("无法删除开机自启动项，程序仍会随系统启动")});
}

// ---- tabs ------------------------------------------------------------------------

void Dialog::preReName() { nameEditMode = NameEditRename; editTabName(); }
void Dialog::preAddTab() { nameEditMode = NameEditAdd; editTabName(); }

void Dialog::editTabName()
{
    nameBar->slideIn(size());
    // Renaming starts from the current name, all of it selected.
    if (nameEditMode == NameEditRename) {
        nameBar->edit()->setText(tabWidget->tabText(tabWidget->currentIndex()));
        nameBar->edit()->selectAll();
    }
}

void Dialog::animationEditEnd()
{
    const QString typed = nameBar->edit()->text();
    const QString name = typed.isEmpty() ? typed
        : navigation->directory()->unusedName(typed, nameEditMode == NameEditRename ? tabWidget->currentWidget() : nullptr);
    const Notebook::Refusal refusal = nameEditMode == NameEditRename
        ? notebook->renameTab(tabWidget->currentIndex(), name)
        : nameEditMode == NameEditAdd ? notebook->addTab(name) : Notebook::Refusal::None;
    if (nameEditMode == NameEditAdd && refusal == Notebook::Refusal::None && m_session->keepNewNotes())
        notebook->fixCurrent();
    quitEdit();
    if (refusal == Notebook::Refusal::EmptyName)
        showToolTip(tr("便签名不能为空!"), 1000);
    else if (name != typed)
        showToolTip(tr("已有便签叫“%1”，这个便签叫“%2”").arg(typed, name), 3000);
}

void Dialog::quitEdit() { nameEditMode = NameEditNone; nameBar->dismiss(); focusCurrentNote(); }

void Dialog::preDelTab(int index)
{
    pendingDelIndex = index;
    delBar->setQuestion(tr("删除便签“%1”？").arg(m_recentlyDeleted->nameAt(index)));
    delBar->slideIn(size());
}

void Dialog::delTab()
{
    const Notebook::Refusal refusal = m_recentlyDeleted->deleteTab(pendingDelIndex);
    quitDel();
    if (refusal == Notebook::Refusal::HomeTab)
        showToolTip(tr("不能删除首页标签"), 1000);
}

void Dialog::quitDel() { delBar->dismiss(); focusCurrentNote(); }

void Dialog::focusCurrentNote()
{
    // Typing goes on in the note after a menu or bar action.
    if (quitting || !isVisible())
        return;
    activateWindow();
    if (QTextEdit *editor = notebook->currentEditor())
        editor->setFocus(Qt::OtherFocusReason);
}
void Dialog::setFixedTab() { notebook->fixCurrent(); }
void Dialog::setUnFixedTab() { notebook->unfixCurrent(); }

void Dialog::currentTabChanged(int)
{
    if (QTextEdit *editor = notebook->currentEditor())
        changeFont(editor->currentCharFormat());
}

void Dialog::moveToScreen() { m_session->moveCurrentToScreen(); }
void Dialog::backToTab(NoteWidget *note) { notebook->backToTab(note); }

// ---- skins ------------------------------------------------------------------------

void Dialog::changeSkin()
{
    SkinDialog chooser;
    WindowPosition::centreOver(&chooser, this);
    if (chooser.exec() == QDialog::Accepted)
        m_session->setSkinPath(chooser.skinPath());
}

void Dialog::loadSkinPicture(const QString &path)
{
    // A picture that does not load keeps the current background.
    QPixmap picture;
    if (picture.load(path))
        backPixmap = picture;
    update();
}

// ---- editing: formatting, records, tables, printing, note files ----------------------

void Dialog::changeFont(const QTextCharFormat &format) { formatBar->changeFont(format); }
void Dialog::setBold() { formatBar->setBold(); }
void Dialog::setXie() { formatBar->setItalic(); }
void Dialog::setUnderLine() { formatBar->setUnderline(); }
void Dialog::setTextColor() { formatBar->setTextColor(); }
void Dialog::setBackColor() { formatBar->setBackColor(); }
void Dialog::setTextSize(const QString &s) { formatBar->setTextSize(s); }
void Dialog::setTextFamily(const QString &s) { formatBar->setTextFamily(s); }
void Dialog::setAlign(char ch) { formatBar->setAlign(ch); }

void Dialog::addRecord()
{
    if (QTextEdit *editor = notebook->currentEditor())
        RecordHeader::insertAtTop(editor, QDateTime::currentDateTime());
}

void Dialog::preInsertTable()
{
    if (!tableDialog) {
        tableDialog = new TableDialog(this);
        tableAnimation->setTargetObject(tableDialog);
    }
    tableDialog->reset();
    tableDialog->dropDown(tableAnimation, geometry());
}

void Dialog::insertTable() { tableDialog->askAndInsert(notebook->currentEditor()); }

void Dialog::print() { NotePrinter::print(notebook->currentEditor(), this, tabWidget->tabText(tabWidget->currentIndex())); }

void Dialog::clean()
{
    EditorBehaviour::clearUndoably(notebook->currentEditor());
    showToolTip(tr("已清除便签内容"), 1000);
}

void Dialog::open()
{
    const NoteFileActions::Opened opened = noteFileActions->open();
    if (opened.editor)
        changeFont(opened.editor->currentCharFormat());
    if (!opened.message.isEmpty())
        showToolTip(opened.message, 1000);
}

void Dialog::save() { tellIfAny(noteFileActions->save()); }

void Dialog::tellIfAny(const QString &message)
{
    if (!message.isEmpty())
        showToolTip(message, 1000);
}

// ---- saving and quitting ----------------------------------------------------------

void Dialog::showNotice(const StoreSession::Notice &notice)
{
    // Long enough to read: the whole story is in the balloon, but the label
    // is what a user sees first.
    if (!notice.label.isEmpty())
        showToolTip(notice.label, 4000);
    if (notice.detail.isEmpty())
        return;
    if (tray->balloonsReachUser())
        tray->icon()->showMessage(tr("提示"), notice.detail, QSystemTrayIcon::Warning, 8000);
    else if (notice.label.isEmpty() || !isVisible() || isMinimized())
        tellUser(tr("提示"), notice.detail); // a window: the label would not be seen
}

void Dialog::reportHotKeyUnavailable(const QString &reason)
{
    qCWarning(lcApp, "Velmo Note: Ctrl+Alt+C is not available: %s", qPrintable(reason));
    const QString text = CaptureKeyNotice::once(m_session->state(), reason, trayAvailable);
    if (!text.isEmpty())
        tellUser(CaptureKeyNotice::title(), text);
}

void Dialog::captureKeyUsed() { m_session->state()->setCaptureKeyNoticeSeen(); }

void Dialog::captureFailed(const QString &reason) { tellUser(tr("截图失败"), reason); }

void Dialog::tellUser(const QString &title, const QString &text) { tray->tell(title, text); }

void Dialog::startCutScreen() { captureLauncher->start(); }

void Dialog::quitAndSave()
{
    // Scratch notes go to trash/ first: one that cannot keeps the program running.
    if (m_recentlyDeleted->keepScratchNotes() && m_session->quitRequested())
        finishQuit();
}

void Dialog::quitForSessionEnd()
{
    m_recentlyDeleted->keepScratchNotes();
    m_session->saveForSession(true);
    finishQuit();
}

void Dialog::finishQuit()
{
    // Quitting closes every visible window first; saved notes must not walk
    // back into the notebook on the way out.
    quitting = true;
    for (NoteWidget *note : notebook->noteList())
        note->hide();
    QCoreApplication::quit();
}

void Dialog::commitNotebook() { m_recentlyDeleted->keepScratchNotes(); m_session->saveForSession(false); }
