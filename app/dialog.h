#pragma once

#include "autostartentry.h"
#include "notebooksession.h"
#include "storesession.h"
#include "stripdrag.h"

#include <QDialog>
#include <QIcon>
#include <QMap>
#include <QPair>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTextCharFormat>
#include <QTimer>

#include <memory>


class CaptureLauncher;
class FormatBar;
class MenuDialog;
class MessageLabel;
class NoteFileActions;
class NoteNavigation;
class Notebook;
class NoteWidget;
class PromptBar;
class QAction;
class QLabel;
class QMenu;
class QPropertyAnimation;
class QPushButton;
class QSizeGrip;
class QSlider;
class QTabWidget;
class QTextEdit;
class QToolBar;
class QToolButton;
class RecentlyDeleted;
class RollUp;
class TableDialog;
class TitleClock;
class Tray;

/// The main window: a frameless, translucent, always-on-top tool window with
/// a rounded body and a grey title strip. It owns every other part of the
/// interface through Qt parentage, places its children by hand from its own
/// size, and keeps the frame's own behaviour: the title clock, the strip drag,
/// the message label, rolling up, the tray icon and start-with-the-system.
///
/// It does not keep notes, load or save tab.dat, keep a synced folder in
/// step, format text, draw captures or play sounds: those live in the
/// notebook (Notebook, NotebookSession), editing, desknote, skin and capture
/// libraries, and its slots only forward to them and show what they report.
/// The roll-up, the name and delete bars, the tray and the home page are
/// small helpers of their own (RollUp, PromptBar, Tray, HomePage).
class Dialog : public QDialog
{
    Q_OBJECT
public:
    /// autoStart: where the start-with-the-system entry lives (null: the XDG one).
    explicit Dialog(std::unique_ptr<AutoStartEntry> autoStart = nullptr);
    ~Dialog() override;

    /// Whether hiding goes to the tray; without a tray the window minimises.
    bool hidesToTray() const;
    Notebook *notes() const { return notebook; }
    /// quitAndSave() decided to end the program (the event loop is told to stop).
    bool isQuitting() const { return quitting; }
    /// Saves tab.dat (and changed note files) now, showing nothing (the
    /// display may be gone); returns the error, or an empty string when
    /// everything was written.
    QString saveNotebook() { return m_session->saveNow(); }
    /// A notice for the user: a tray balloon, or a window that does not
    /// block where there is no tray.
    void tellUser(const QString &title, const QString &text);

public slots:
    void hideDialog();
    void startCutScreen();
    /// The session is ending (a signal or the session manager): save and quit.
    void quitForSessionEnd();
    /// The session manager asks for unsaved data to be written.
    void commitNotebook();
    /// A later start of the program asked us to show the window ("show") or
    /// to stay as we are ("hide").
    void handleSecondStart(const QString &request);
    void showToolTip(const QString &s, int ms);
    void showToolTip(const QString &s);
    /// The hot key could not be had: says so once per notebook, with the way around it.
    void reportHotKeyUnavailable(const QString &reason);
    /// A capture started by "-Capture" (a key the user bound): the hot key's
    /// notice has nothing left to teach.
    void captureKeyUsed();
    /// A capture got no picture; reason in the user's words.
    void captureFailed(const QString &reason);

private slots:
    void readHistroyTab();
    void setTitleTime();
    void showMenu();
    void handleActivation(QSystemTrayIcon::ActivationReason reason);
    void stayOnTop(bool b);
    void doAnimation();
    void animationEnd();
    void autoHide(bool on);
    void logoClicked();
    void setTransparent(int i);
    void preDelTab(int index);
    void animationEditEnd();
    void editTabName();
    void preReName();
    void preAddTab();
    void delTab();
    void quitEdit();
    void quitDel();
    void focusCurrentNote();
    void currentTabChanged(int index);
    void addRecord();
    void setBold();
    void setXie();
    void setUnderLine();
    void setTextColor();
    void setBackColor();
    void insertTable();
    void preInsertTable();
    void setTextSize(const QString &s);
    void setTextFamily(const QString &s);
    void print();
    void changeFont(const QTextCharFormat &format);
    void moveToScreen();
    void backToTab(NoteWidget *note);
    void clean();
    // Opens a note file; replaces QDialog::open(), which this window never uses.
    void open() override;
    void save();
    void setAlign(char ch);
    void about();
    void closeMenu();
    void setFixedTab();
    void setUnFixedTab();
    void topLeftBtnClicked();
    void enableTitleBtn();
    void quitAndSave();
    void setAutoStart(bool on);
    void showMainWindow();
    void changeSkin();
    /// The tray menu's sync folder entry: keeps the notebook folder safe to sync, or stops.
    void setSyncFolder(bool on);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void reject() override;

private:
    Qt::WindowFlags baseFlags() const;
    void createTitleStrip();
    void createMessageLabel();
    void createTrayIcon();
    void createFrameControls();
    void createCornerBar();
    void createFormatBar();
    void createNotebook();
    void createMenuPanel();
    void createTableDialog();
    void connectSignals();
    void placeChildren();
    void finishQuit();
    bool pointerOutside(QPoint global) const;
    void loadSkinPicture(const QString &path);
    void showNotice(const StoreSession::Notice &notice);
    /// Shows a command's message on the label, when it has one.
    void tellIfAny(const QString &message);
    void showSyncMessage(const QString &label, const QString &detail, bool problem);

    QTabWidget *tabWidget = nullptr;
    MenuDialog *menuPanel = nullptr;
    TableDialog *tableDialog = nullptr;
    NoteFileActions *noteFileActions = nullptr;
    NoteNavigation *navigation = nullptr;
    QToolButton *hideButton = nullptr;
    QPushButton *titleButton = nullptr;
    QToolButton *topLeftButton = nullptr;
    Tray *tray = nullptr;
    QSlider *opacitySlider = nullptr;
    QSizeGrip *sizeGrip = nullptr;
    CaptureLauncher *captureLauncher = nullptr;
    bool m_minimizeAsked = false; ///< hideDialog() minimised without a tray, not yet seen to work
    QPixmap backPixmap;
    QToolButton *skinButton = nullptr;
    FormatBar *formatBar = nullptr;
    QToolBar *cornerBar = nullptr;
    QPropertyAnimation *tableAnimation = nullptr;
    MessageLabel *tipLabel = nullptr;
    Notebook *notebook = nullptr;
    RecentlyDeleted *m_recentlyDeleted = nullptr;
    QToolButton *renameButton = nullptr;
    QToolButton *addButton = nullptr;
    QToolButton *stickButton = nullptr;
    PromptBar *nameBar = nullptr;
    PromptBar *delBar = nullptr;
    RollUp *rollUp = nullptr;
    /// What the name bar's OK does; None while the bar is hidden.
    enum NameEditMode : char { NameEditNone = 0, NameEditRename = 1, NameEditAdd = 2 };
    NameEditMode nameEditMode = NameEditNone;
    int pendingDelIndex = -1;
    bool quitting = false;
    QPoint menuAnchor;
    StripDrag drag;
    QIcon unpinIcon;
    QIcon pinIcon;
    TitleClock *titleClock = nullptr;
    bool autoHideOn = true;
    bool firstPaintReported = false;
    bool trayAvailable = false;
    std::unique_ptr<AutoStartEntry> autoStart;
    /// Deleted before the notebook it serves (members go before the child
    /// objects); its parent is this window only to keep it in the object tree.
    std::unique_ptr<NotebookSession> m_session;
};
