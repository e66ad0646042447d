#include "desktoptools.h"
#include "dialog.h"
#include "notebook.h"
#include "notetabbar.h"
#include "xdgautostartentry.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRegularExpression>
#include <QSizeGrip>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace DesktopTools;

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void frameFlagsAndLimits();
    void placesChildrenFromWindowSize_data();
    void placesChildrenFromWindowSize();
    void homePageComesFromIndexDat();
    void missingIndexDatShowsNotice();
    void dragsOnlyFromTitleStrip_data();
    void dragsOnlyFromTitleStrip();
    void dragAboveScreenSnapsToTop();
    void sizeGripKeepsLimits();
    void titleShowsClockOnlyWhileHovered();
    void opacitySliderSetsOpacity();
    void messageLabelSlidesAndClears();
    void longerNoticeKeepsItsInterval();
    void secondMessageRestartsSlideButNotPendingClear();
    void rollsUpWhenPointerLeaves();
    void leaveWithPointerInsideKeepsWindow();
    void autoHideOffIgnoresPointer();
    void menuPanelUnfoldsFromTitle();
    void trayDoubleClickHidesAndShows();
    void stayOnTopToggleShowsHiddenWindow();
    void hideButtonHidesToTray();
    void autoStartEntryFollowsCheckMark();
    void autoStartCheckMarkShowsFailure();
    void tabCloseGlyphAsksBeforeDeleting();

private:
    QAction *trayAction(const QString &text) const;
    template<typename T> T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void showAt(QPoint at, QSize size = QSize(400, 350));

    QTemporaryDir *work = nullptr;
    Dialog *window = nullptr;
    QString previousDir;
};

void TestMainWindow::init()
{
    previousDir = QDir::currentPath();
    work = new QTemporaryDir;
    QFile index(work->path() + QLatin1String("/index.dat"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("<p>首页 <b>home</b></p>");
    index.close();
    QDir::setCurrent(work->path());
    window = new Dialog(std::make_unique<XdgAutoStartEntry>(work->path() + QLatin1String("/config")));
}

void TestMainWindow::cleanup()
{
    delete window;
    window = nullptr;
    QDir::setCurrent(previousDir);
    delete work;
    work = nullptr;
    movePointer(QPoint(5, 1070));
}

void TestMainWindow::showAt(QPoint at, QSize size)
{
    window->resize(size);
    window->move(at);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->pos(), at);
    QTRY_COMPARE(window->size(), size);
}

void TestMainWindow::frameFlagsAndLimits()
{
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());
    QVERIFY(flags.testFlag(Qt::Tool));
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window->size(), QSize(400, 350));
    QCOMPARE(window->minimumSize(), QSize(400, 25));
    QCOMPARE(window->maximumSize(), QSize(800, 650));
    QCOMPARE(window->windowTitle(), QStringLiteral("Velmo Note"));
    auto *tabs = child<QTabWidget>("tabWidget");
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("便签首页"));
    QCOMPARE(tabs->iconSize(), QSize(13, 13));
}

void TestMainWindow::placesChildrenFromWindowSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("start size") << QSize(400, 350);
    QTest::newRow("odd size") << QSize(533, 277);
    QTest::newRow("largest") << QSize(800, 650);
}

void TestMainWindow::placesChildrenFromWindowSize()
{
    QFETCH(QSize, size);
    showAt(QPoint(300, 200), size);
    const int w = size.width();
    const int h = size.height();
    QCOMPARE(child<QTabWidget>("tabWidget")->geometry(), QRect(15, 70, w - 30, h - 100));
    QCOMPARE(child<QToolButton>("hideButton")->pos(), QPoint(w - 25, 3));
    QCOMPARE(child<QToolButton>("hideButton")->size(), QSize(20, 20));
    auto *grip = child<QSizeGrip>("sizeGrip");
    QCOMPARE(grip->pos(), QPoint(w - grip->width() - 2, h - grip->height() - 2));
    QCOMPARE(child<QSlider>("opacitySlider")->geometry(), QRect(10, h - 15, 35, 7));
    auto *title = child<QPushButton>("titleButton");
    QCOMPARE(title->pos(), QPoint(w / 2 - title->width() / 2, 1));
    auto *bar = child<QToolBar>("formatBar");
    QCOMPARE(bar->pos(), QPoint(w / 2 - bar->width() / 2, 30));
    QCOMPARE(child<QToolButton>("topLeftButton")->pos(), QPoint(3, 2));
    QCOMPARE(child<QToolButton>("skinButton")->pos(), QPoint(23, 2));
}

void TestMainWindow::homePageComesFromIndexDat()
{
    showAt(QPoint(300, 200));
    auto *home = child<QTextEdit>("homeEdit");
    QVERIFY(home->isReadOnly());
    QCOMPARE(home->toPlainText(), QStringLiteral("首页 home"));
    QCOMPARE(home->textCursor().position(), 0);
    auto *tabs = child<QTabWidget>("tabWidget");
    // The home tab wears the pin once its page has loaded.
    QCOMPARE(tabs->tabIcon(0).pixmap(13, 13).toImage(),
             QIcon(QStringLiteral(":/img/pin.png")).pixmap(13, 13).toImage());
}

void TestMainWindow::missingIndexDatShowsNotice()
{
    delete window;
    QVERIFY(QFile::remove(work->path() + QLatin1String("/index.dat")));
    window = new Dialog(std::make_unique<XdgAutoStartEntry>(work->path() + QLatin1String("/config")));
    QCOMPARE(child<QLabel>("tipLabel")->text(), QStringLiteral("加载主页说明失败"));
    QVERIFY(child<QTextEdit>("homeEdit")->toPlainText().isEmpty());
    QVERIFY(child<QTabWidget>("tabWidget")->tabIcon(0).isNull());
}

void TestMainWindow::dragsOnlyFromTitleStrip_data()
{
    // Press points relative to the window's top-left; window 400 x 350.
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("moves");
    QTest::newRow("strip middle") << QPoint(120, 12) << true;
    QTest::newRow("strip, just left of the reserve") << QPoint(349, 12) << true;
    QTest::newRow("within 50 px of the right edge") << QPoint(360, 12) << false;
    QTest::newRow("below the strip") << QPoint(200, 40) << false;
    QTest::newRow("body") << QPoint(5, 300) << false;
}

void TestMainWindow::dragsOnlyFromTitleStrip()
{
    QFETCH(QPoint, press);
    QFETCH(bool, moves);
    const QPoint start(400, 300);
    showAt(start);
    QVERIFY(dragPointer(start + press, start + press + QPoint(120, 60)));
    if (moves) {
        QTRY_COMPARE(window->pos(), start + QPoint(120, 60));
    } else {
        QTest::qWait(200);
        QCOMPARE(window->pos(), start);
    }
}

void TestMainWindow::dragAboveScreenSnapsToTop()
{
    const QPoint start(500, 100);
    showAt(start);
    // Drag 150 up: the top would be at -50, the release puts it at y = 0.
    QVERIFY(dragPointer(start + QPoint(100, 10), start + QPoint(100 - 30, 10 - 150)));
    QTRY_COMPARE(window->pos(), QPoint(470, 0));
    // Off the left edge is left alone: the pointer stops at x = 0, 100 px into the window.
    QVERIFY(dragPointer(QPoint(470 + 100, 10), QPoint(0, 200 + 10)));
    QTRY_COMPARE(window->pos(), QPoint(-100, 200));
}

void TestMainWindow::sizeGripKeepsLimits()
{
    showAt(QPoint(100, 100));
    auto *grip = child<QSizeGrip>("sizeGrip");
    const QPoint gripCentre = grip->mapToGlobal(grip->rect().center());
    QVERIFY(dragPointer(gripCentre, gripCentre + QPoint(900, 700), 8));
    QTRY_COMPARE(window->size(), QSize(800, 650));
    QTRY_COMPARE(child<QTabWidget>("tabWidget")->geometry(), QRect(15, 70, 770, 550));
    const QPoint bigGrip = grip->mapToGlobal(grip->rect().center());
    QVERIFY(dragPointer(bigGrip, QPoint(105, 105), 8));
    QTRY_COMPARE(window->size(), QSize(400, 25));
    QCOMPARE(window->pos(), QPoint(100, 100));
}

void TestMainWindow::titleShowsClockOnlyWhileHovered()
{
    showAt(QPoint(600, 400));
    auto *title = child<QPushButton>("titleButton");
    QCOMPARE(title->text(), QStringLiteral("Velmo Note"));
    QVERIFY(movePointer(title->mapToGlobal(title->rect().center())));
    const QRegularExpression clock(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    QTRY_VERIFY(clock.match(title->text()).hasMatch());
    // The clock re-centres the button on the strip.
    QCOMPARE(title->x(), window->width() / 2 - title->width() / 2);
    QVERIFY(movePointer(window->mapToGlobal(QPoint(200, 200))));
    QTRY_COMPARE(title->text(), QStringLiteral("Velmo Note"));
    QVERIFY(!window->findChild<QTimer *>(QStringLiteral("clockTimer"))->isActive());
}

void TestMainWindow::opacitySliderSetsOpacity()
{
    auto *slider = child<QSlider>("opacitySlider");
    QCOMPARE(slider->minimum(), 5);
    QCOMPARE(slider->maximum(), 10);
    QCOMPARE(slider->value(), 10);
    // X keeps opacity in 8 bits, so compare to within one step.
    slider->setValue(5);
    QVERIFY(qAbs(window->windowOpacity() - 0.5) < 0.01);
    slider->setValue(7);
    QVERIFY(qAbs(window->windowOpacity() - 0.7) < 0.01);
    slider->setValue(10);
    QCOMPARE(window->windowOpacity(), 1.0);
}

void TestMainWindow::messageLabelSlidesAndClears()
{
    showAt(QPoint(300, 300));
    auto *label = child<QLabel>("tipLabel");
    auto *timer = window->findChild<QTimer *>(QStringLiteral("tipTimer"));
    window->showToolTip(QStringLiteral("不能删除首页标签"));
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), QStringLiteral("不能删除首页标签"));
    const QRect rest(QPoint(window->width() / 2 - label->width() / 2,
                            window->height() - label->height() - 1), label->size());
    QVERIFY(!timer->isActive());
    // The clearing timer starts only when the slide has ended, at the bottom centre.
    QTRY_VERIFY(timer->isActive());
    QCOMPARE(label->geometry(), rest);
    QCOMPARE(timer->interval(), 1000);
    QTRY_VERIFY(label->isHidden());
    QVERIFY(label->text().isEmpty());
}

void TestMainWindow::longerNoticeKeepsItsInterval()
{
    auto *timer = window->findChild<QTimer *>(QStringLiteral("tipTimer"));
    window->showToolTip(QStringLiteral("About"), 1500);
    QCOMPARE(timer->interval(), 1500);
    window->showToolTip(QStringLiteral("later"));
    QCOMPARE(timer->interval(), 1500);
    window->showToolTip(QStringLiteral("shorter"), 700);
    QCOMPARE(timer->interval(), 700);
}

void TestMainWindow::secondMessageRestartsSlideButNotPendingClear()
{
    showAt(QPoint(300, 300));
    auto *label = child<QLabel>("tipLabel");
    auto *timer = window->findChild<QTimer *>(QStringLiteral("tipTimer"));
    auto *animation = window->findChild<QPropertyAnimation *>(QStringLiteral("tipAnimation"));
    window->showToolTip(QStringLiteral("first"));
    QTRY_VERIFY(timer->isActive());
    window->showToolTip(QStringLiteral("second message"));
    QCOMPARE(label->text(), QStringLiteral("second message"));
    QCOMPARE(animation->state(), QAbstractAnimation::Running);
    QCOMPARE(animation->startValue().toRect().topLeft(), QPoint(0, 0));
    // The clear pending from the first message is not cancelled by the second.
    QVERIFY(timer->isActive());
}

void TestMainWindow::rollsUpWhenPointerLeaves()
{
    const QPoint at(500, 300);
    showAt(at, QSize(600, 400));
    QVERIFY(movePointer(at + QPoint(300, 200)));
    QTest::qWait(100);
    QVERIFY(movePointer(at + QPoint(300, 600)));
    QTRY_COMPARE(window->size(), QSize(400, 25));
    QCOMPARE(window->pos(), at);
    QVERIFY(child<QSlider>("opacitySlider")->isHidden());
    QVERIFY(child<QSizeGrip>("sizeGrip")->isHidden());
    // Back over the strip: the full size returns.
    QVERIFY(movePointer(at + QPoint(150, 12)));
    QTRY_COMPARE(window->size(), QSize(600, 400));
    QCOMPARE(window->pos(), at);
    QVERIFY(child<QSlider>("opacitySlider")->isVisible());
    QVERIFY(child<QSizeGrip>("sizeGrip")->isVisible());
}

void TestMainWindow::leaveWithPointerInsideKeepsWindow()
{
    const QPoint at(500, 300);
    showAt(at);
    QVERIFY(movePointer(at + QPoint(200, 200)));
    QTRY_COMPARE(QCursor::pos(), at + QPoint(200, 200));
    // As when a child's pop-up takes the pointer: a leave event, pointer still inside.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(window, &leave);
    auto *roll = window->findChild<QPropertyAnimation *>(QStringLiteral("rollAnimation"));
    QCOMPARE(roll->state(), QAbstractAnimation::Stopped);
    QCOMPARE(window->size(), QSize(400, 350));
}

void TestMainWindow::autoHideOffIgnoresPointer()
{
    const QPoint at(500, 300);
    showAt(at, QSize(600, 400));
    auto *autoHideButton = window->findChild<QToolButton *>(QStringLiteral("autoHideButton"));
    QVERIFY(autoHideButton);
    autoHideButton->click();
    QVERIFY(!autoHideButton->isChecked());
    QVERIFY(movePointer(at + QPoint(300, 200)));
    QTest::qWait(100);
    QVERIFY(movePointer(at + QPoint(300, 700)));
    QTest::qWait(600);
    QCOMPARE(window->size(), QSize(600, 400));
    // The top-left button still rolls by hand, and is locked while it rolls.
    auto *topLeft = child<QToolButton>("topLeftButton");
    topLeft->click();
    QVERIFY(!topLeft->isEnabled());
    QTRY_COMPARE(window->size(), QSize(400, 25));
    QTRY_VERIFY(topLeft->isEnabled());
    // Switching auto-hide back on while rolled up rolls the window down first.
    autoHideButton->click();
    QTRY_COMPARE(window->size(), QSize(600, 400));
}

void TestMainWindow::menuPanelUnfoldsFromTitle()
{
    const QPoint at(500, 300);
    showAt(at);
    auto *panel = window->findChild<QDialog *>(QStringLiteral("menuPanel"));
    QVERIFY(panel);
    QVERIFY(panel->isHidden());
    child<QPushButton>("titleButton")->click();
    QVERIFY(panel->isVisible());
    QTRY_COMPARE(panel->geometry(), QRect(at.x() + 200 - 65, at.y(), 130, 242));
    // The small close button folds it toward its top-left corner, then closes it.
    window->findChild<QToolButton *>(QStringLiteral("closeButton"))->click();
    QTRY_VERIFY(panel->isHidden());
}

void TestMainWindow::trayDoubleClickHidesAndShows()
{
    showAt(QPoint(300, 300));
    auto *tray = window->findChild<QSystemTrayIcon *>(QStringLiteral("trayIcon"));
    QVERIFY(tray && tray->isVisible());
    QTRY_VERIFY(!tray->geometry().isEmpty());
    const QPoint icon = tray->geometry().center();
    const auto doubleClick = [&] {
        return movePointer(icon)
            && xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                        QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    };
    QVERIFY(doubleClick());
    QTRY_VERIFY(window->isHidden());
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QVERIFY(doubleClick());
    QTRY_VERIFY(window->isVisible());
}

void TestMainWindow::stayOnTopToggleShowsHiddenWindow()
{
    showAt(QPoint(300, 300));
    window->hideDialog();
    QVERIFY(window->isHidden());
    QAction *onTop = trayAction(QStringLiteral("窗口总在最前"));
    QVERIFY(onTop && onTop->isChecked());
    onTop->trigger();
    QVERIFY(!onTop->isChecked());
    QTRY_VERIFY(window->isVisible());
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window->windowFlags().testFlag(Qt::Tool));
    onTop->trigger();
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void TestMainWindow::hideButtonHidesToTray()
{
    showAt(QPoint(300, 300));
    child<QToolButton>("hideButton")->click();
    QVERIFY(window->isHidden());
    // The tray menu's "show main window" brings it back; on a shown window it changes nothing.
    QAction *showMain = trayAction(QStringLiteral("显示主窗口"));
    QVERIFY(showMain);
    showMain->trigger();
    QTRY_VERIFY(window->isVisible());
    const QPoint where = window->pos();
    showMain->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(window->pos(), where);
}

QAction *TestMainWindow::trayAction(const QString &text) const
{
    for (QAction *action : window->findChildren<QAction *>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void TestMainWindow::autoStartEntryFollowsCheckMark()
{
    const QString config = work->path() + QLatin1String("/config");
    const QString entry = config + QLatin1String("/autostart/velmonote.desktop");
    QAction *autoStart = trayAction(QStringLiteral("开机自启动"));
    QVERIFY(autoStart && autoStart->isCheckable());
    QVERIFY(!autoStart->isChecked());
    // A prepared folder holds its own program file (an installed program
    // starts itself: see tst_notebookfolder).
    QFile program(work->path() + QLatin1String("/velmonote"));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();

    autoStart->trigger();
    QVERIFY(autoStart->isChecked());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    // The entry starts the executable of the working directory, hidden, in that
    // directory (a temporary folder's path needs no quoting; tst_xdgautostart
    // checks the quoting).
    QVERIFY2(!work->path().contains(QRegularExpression(QStringLiteral("[^A-Za-z0-9/_.-]"))), qPrintable(work->path()));
    QVERIFY(text.contains(QStringLiteral("Exec=") + work->path() + QLatin1String("/velmonote -Hide\n")));
    QVERIFY(text.contains(QStringLiteral("Path=") + work->path() + QLatin1Char('\n')));

    // A new window finds the entry and starts checked.
    delete window;
    window = new Dialog(std::make_unique<XdgAutoStartEntry>(config));
    autoStart = trayAction(QStringLiteral("开机自启动"));
    QVERIFY(autoStart->isChecked());
    autoStart->trigger();
    QVERIFY(!autoStart->isChecked());
    QVERIFY(!QFileInfo::exists(entry));
    // Unchecking with no entry is quiet.
    autoStart->trigger();
    autoStart->trigger();
    QVERIFY(!QFileInfo::exists(entry));
}

void TestMainWindow::autoStartCheckMarkShowsFailure()
{
    // A file where the configuration folder should be: no entry can be made.
    const QString blocked = work->path() + QLatin1String("/blocked");
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    delete window;
    window = new Dialog(std::make_unique<XdgAutoStartEntry>(blocked));
    QAction *autoStart = trayAction(QStringLiteral("开机自启动"));
    autoStart->trigger();
    QVERIFY(!autoStart->isChecked());
    QCOMPARE(child<QLabel>("tipLabel")->text(), QStringLiteral("无法设置开机自启动"));

    // An entry that cannot be deleted (a folder holding a file) stays checked.
    const QString config = work->path() + QLatin1String("/config");
    QVERIFY(QDir().mkpath(config + QLatin1String("/autostart/velmonote.desktop/inside")));
    delete window;
    window = new Dialog(std::make_unique<XdgAutoStartEntry>(config));
    autoStart = trayAction(QStringLiteral("开机自启动"));
    QVERIFY(autoStart->isChecked());
    autoStart->trigger();
    QVERIFY(autoStart->isChecked());
    QCOMPARE(child<QLabel>("tipLabel")->text(), QStringLiteral("无法取消开机自启动"));
}

void TestMainWindow::tabCloseGlyphAsksBeforeDeleting()
{
    showAt(QPoint(300, 200));
    QCOMPARE(window->notes()->addTab(QStringLiteral("待删")), Notebook::Refusal::None);
    auto *tabs = child<QTabWidget>("tabWidget");
    QCOMPARE(tabs->count(), 2);
    auto *bar = qobject_cast<NoteTabBar *>(tabs->tabBar());
    QVERIFY(bar);
    QVERIFY(movePointer(bar->mapToGlobal(bar->closeGlyphRect(1).center())));
    QTest::qWait(100);
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_VERIFY(child<QToolBar>("delBar")->isVisible());
    QCOMPARE(tabs->count(), 2);
    child<QToolButton>("delOkButton")->click();
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("便签首页"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
