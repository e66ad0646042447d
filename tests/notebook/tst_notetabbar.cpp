// The notebook's tab bar: close glyphs drawn on the tabs instead of Qt's
// per-tab close buttons, driven with real mouse events.

#include "desktoptools.h"
#include "notetabbar.h"
#include "notetabwidget.h"

#include <QLabel>
#include <QScreen>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>
#include <QtTest>

#include <functional>

using namespace DesktopTools;

namespace {
QIcon solidIcon(const QColor &color)
{
    QPixmap pixmap(13, 13);
    pixmap.fill(color);
    return QIcon(pixmap);
}

/// The pixels where two pictures of the same size differ.
QRegion differences(const QImage &a, const QImage &b)
{
    QRegion region;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const int start = x;
            while (x < a.width() && a.pixel(x, y) != b.pixel(x, y))
                ++x;
            if (x > start)
                region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}
}

class TestNoteTabBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void clickOnGlyphAsksToCloseThatTabOnly_data();
    void clickOnGlyphAsksToCloseThatTabOnly();
    void pressOnGlyphNeedsReleaseOnIt_data();
    void pressOnGlyphNeedsReleaseOnIt();
    void clickOnTextSelectsWithoutClosing();
    void tabWithoutGlyphCannotBeClosed();
    void heldGlyphLetsGoWhenTabsChange_data();
    void heldGlyphLetsGoWhenTabsChange();
    void glyphsSitInTheirTabsClearOfTextAndIcon();
    void glyphShowsHoverAndPressOnScreen();
    void glyphHasItsOwnTooltip();
    void draggedTabTakesItsGlyphAlong();
    void keyboardAndWheelNavigateAsBefore();
    void manyTabsKeepTheirIndicesWhenScrolled();

private:
    void addTabs(int n);
    void checkGlyphsClearOfTextAndIcon();
    void click(QPoint at);
    QPoint global(QPoint local) const { return bar->mapToGlobal(local); }
    QImage onScreen(const QRect &local) const;
    QImage settledOnScreen(const QRect &local) const;
    QStringList texts() const;

    NoteTabWidget *tabs = nullptr;
    NoteTabBar *bar = nullptr;
};

void TestNoteTabBar::init()
{
    movePointer(QPoint(5, 1070));
    tabs = new NoteTabWidget;
    tabs->setMovable(true);
    tabs->setIconSize(QSize(13, 13));
    bar = tabs->noteTabBar();
    QCOMPARE(tabs->tabBar(), bar);
}

void TestNoteTabBar::cleanup()
{
    delete tabs;
    tabs = nullptr;
    bar = nullptr;
    QToolTip::hideText();
}

void TestNoteTabBar::addTabs(int n)
{
    const QIcon pin(QStringLiteral(":/img/pin.png"));
    for (int i = 0; i < n; ++i)
        tabs->addTab(new QLabel(QStringLiteral("page %1").arg(i)), pin, QStringLiteral("笔记 %1").arg(i));
    tabs->setGeometry(100, 100, 640, 200);
    tabs->show();
    QVERIFY(QTest::qWaitForWindowExposed(tabs));
}

void TestNoteTabBar::click(QPoint at)
{
    QTest::mouseMove(bar, at);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, at);
}

QImage TestNoteTabBar::onScreen(const QRect &local) const
{
    const QPoint at = global(local.topLeft());
    return bar->screen()->grabWindow(0, at.x(), at.y(), local.width(), local.height()).toImage();
}

// The compositing manager puts a window's first frames on the screen some
// time after the window drew them: the picture counts once it stops changing.
QImage TestNoteTabBar::settledOnScreen(const QRect &local) const
{
    QImage last = onScreen(local);
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(60);
        const QImage now = onScreen(local);
        if (now == last)
            return now;
        last = now;
    }
    return last;
}

QStringList TestNoteTabBar::texts() const
{
    QStringList list;
    for (int i = 0; i < tabs->count(); ++i)
        list << tabs->tabText(i);
    return list;
}

void TestNoteTabBar::clickOnGlyphAsksToCloseThatTabOnly_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("current");
    QTest::newRow("first, another current") << 0 << 2;
    QTest::newRow("the current tab") << 2 << 2;
    QTest::newRow("middle") << 3 << 0;
    QTest::newRow("last") << 4 << 1;
}

void TestNoteTabBar::clickOnGlyphAsksToCloseThatTabOnly()
{
    QFETCH(int, index);
    QFETCH(int, current);
    addTabs(5);
    tabs->setCurrentIndex(current);
    const QStringList before = texts();
    QSignalSpy closes(tabs, &QTabWidget::tabCloseRequested);
    QSignalSpy changes(tabs, &QTabWidget::currentChanged);
    QSignalSpy clicks(tabs, &QTabWidget::tabBarClicked);
    QSignalSpy moves(bar, &QTabBar::tabMoved);

    click(bar->closeGlyphRect(index).center());

    QCOMPARE(closes.count(), 1);
    QCOMPARE(closes.at(0).at(0).toInt(), index);
    QCOMPARE(tabs->currentIndex(), current);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(moves.count(), 0);
    QCOMPARE(texts(), before);
}

void TestNoteTabBar::tabWithoutGlyphCannotBeClosed()
{
    addTabs(3);
    QWidget *home = tabs->widget(0);
    const int widthWithGlyph = bar->tabRect(0).width();
    const QRect glyph = bar->closeGlyphRect(0);
    bar->setWithoutGlyph(home);
    QTRY_VERIFY(bar->tabRect(0).width() < widthWithGlyph);
    QVERIFY(bar->closeGlyphRect(0).isEmpty());
    QVERIFY(!bar->closeGlyphRect(1).isEmpty());
    QSignalSpy closes(tabs, &QTabWidget::tabCloseRequested);
    click(QPoint(qMin(glyph.center().x(), bar->tabRect(0).right() - 2), glyph.center().y()));
    QCOMPARE(closes.count(), 0);
    // It is the page's tab that has none, wherever it is moved.
    bar->moveTab(0, 2);
    QCOMPARE(tabs->widget(2), home);
    QVERIFY(bar->closeGlyphRect(2).isEmpty());
    QVERIFY(!bar->closeGlyphRect(0).isEmpty());
}

void TestNoteTabBar::pressOnGlyphNeedsReleaseOnIt_data()
{
    // Where the pointer goes, with the button held, after pressing tab 1's
    // glyph; and where it is released.
    enum Place { OwnGlyph, OwnText, OtherGlyph, BelowBar };
    QTest::addColumn<int>("via");
    QTest::addColumn<int>("releaseAt");
    QTest::addColumn<int>("closes");
    QTest::newRow("released on its text") << int(OwnText) << int(OwnText) << 0;
    QTest::newRow("released on another glyph") << int(OtherGlyph) << int(OtherGlyph) << 0;
    QTest::newRow("released below the bar") << int(BelowBar) << int(BelowBar) << 0;
    QTest::newRow("left and came back") << int(BelowBar) << int(OwnGlyph) << 1;
}

void TestNoteTabBar::pressOnGlyphNeedsReleaseOnIt()
{
    QFETCH(int, via);
    QFETCH(int, releaseAt);
    QFETCH(int, closes);
    addTabs(4);
    const QRect glyph = bar->closeGlyphRect(1);
    const QPoint places[] = {
        glyph.center(),
        QPoint(bar->tabRect(1).left() + 8, bar->tabRect(1).center().y()),
        bar->closeGlyphRect(2).center(),
        QPoint(glyph.center().x(), bar->height() + 40),
    };
    QVERIFY(!glyph.contains(places[1]));
    QSignalSpy requests(tabs, &QTabWidget::tabCloseRequested);
    QSignalSpy moves(bar, &QTabBar::tabMoved);

    QTest::mouseMove(bar, glyph.center());
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, glyph.center());
    QTest::mouseMove(bar, places[via]);
    QTest::mouseMove(bar, places[releaseAt]);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, places[releaseAt]);

    QCOMPARE(requests.count(), closes);
    if (closes)
        QCOMPARE(requests.at(0).at(0).toInt(), 1);
    // The press belonged to the glyph: the tab was neither selected nor dragged.
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(moves.count(), 0);
}

void TestNoteTabBar::clickOnTextSelectsWithoutClosing()
{
    addTabs(5);
    QSignalSpy requests(tabs, &QTabWidget::tabCloseRequested);
    const QRect tab = bar->tabRect(3);
    const QRect glyph = bar->closeGlyphRect(3);
    for (const QPoint at : {QPoint(tab.left() + 6, tab.center().y()), QPoint(glyph.left() - 3, glyph.center().y()),
                            QPoint(glyph.center().x(), tab.top() + 1)}) {
        tabs->setCurrentIndex(0);
        QVERIFY(!glyph.contains(at));
        click(at);
        QCOMPARE(tabs->currentIndex(), 3);
    }
    QCOMPARE(requests.count(), 0);
}

void TestNoteTabBar::heldGlyphLetsGoWhenTabsChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("tab removed before it") << QStringLiteral("remove");
    QTest::newRow("tab inserted before it") << QStringLiteral("insert");
    QTest::newRow("tabs moved") << QStringLiteral("move");
}

void TestNoteTabBar::heldGlyphLetsGoWhenTabsChange()
{
    // Indices shift under a held glyph; releasing must not close some other tab.
    QFETCH(QString, change);
    addTabs(5);
    QSignalSpy requests(tabs, &QTabWidget::tabCloseRequested);
    const QPoint at = bar->closeGlyphRect(3).center();
    QTest::mouseMove(bar, at);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, at);
    if (change == QLatin1String("remove"))
        tabs->removeTab(1);
    else if (change == QLatin1String("insert"))
        tabs->insertTab(0, new QLabel, QStringLiteral("新"));
    else
        bar->moveTab(3, 0);
    // Released over the glyph of the tab that now has the held index.
    const QPoint now = bar->closeGlyphRect(3).center();
    QTest::mouseMove(bar, now);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, now);
    QCOMPARE(requests.count(), 0);

    // The next click works as usual.
    click(bar->closeGlyphRect(2).center());
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), 2);
}

void TestNoteTabBar::glyphsSitInTheirTabsClearOfTextAndIcon()
{
    const QStringList names = {QStringLiteral("Wide note title"), QStringLiteral("笔记"),
                               QStringLiteral("WWWWWWWWWW"), QString(), QStringLiteral("便签首页")};
    // A plain bar with the same tabs shows how Qt itself sizes them.
    QTabBar plain;
    plain.setExpanding(false);
    plain.setIconSize(tabs->iconSize());
    for (const QString &name : names) {
        tabs->addTab(new QLabel, solidIcon(Qt::red), name);
        plain.addTab(solidIcon(Qt::red), name);
    }
    tabs->addTab(new QLabel, QStringLiteral("no icon WWW"));
    plain.addTab(QStringLiteral("no icon WWW"));
    tabs->setGeometry(50, 100, 1700, 200);
    tabs->show();
    QVERIFY(QTest::qWaitForWindowExposed(tabs));

    // Qt's own closable tabs would add a button widget to each tab.
    QVERIFY(!tabs->tabsClosable());
    QVERIFY(!bar->tabsClosable());
    for (QWidget *child : bar->findChildren<QWidget *>())
        QVERIFY2(qobject_cast<QToolButton *>(child), child->metaObject()->className());

    checkGlyphsClearOfTextAndIcon();
    if (QTest::currentTestFailed())
        return;
    const int room = bar->tabRect(0).width() - plain.tabRect(0).width();
    QVERIFY(room > bar->closeGlyphRect(0).width());
    // Tab sizes follow what changes them: each tab is as Qt would make it,
    // only wider by the same room for the glyph.
    auto compareWithPlain = [&] {
        for (int i = 0; i < bar->count(); ++i) {
            QCOMPARE(bar->tabRect(i).height(), plain.tabRect(i).height());
            QCOMPARE(bar->tabRect(i).width() - plain.tabRect(i).width(), room);
        }
    };
    compareWithPlain();
    for (auto *each : {static_cast<QTabBar *>(bar), &plain}) {
        each->setTabText(1, QStringLiteral("笔记 renamed to something much longer"));
        each->setTabText(2, QStringLiteral("W"));
        each->setTabText(3, QStringLiteral("was empty"));
    }
    checkGlyphsClearOfTextAndIcon();
    compareWithPlain();
    if (QTest::currentTestFailed())
        return;
    tabs->setIconSize(QSize(24, 24));
    plain.setIconSize(QSize(24, 24));
    checkGlyphsClearOfTextAndIcon();
    compareWithPlain();
    if (QTest::currentTestFailed())
        return;
    QFont font = bar->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    bar->setFont(font);
    plain.setFont(font);
    checkGlyphsClearOfTextAndIcon();
    compareWithPlain();
}

void TestNoteTabBar::checkGlyphsClearOfTextAndIcon()
{
    // The tab widget gives the bar its new size a little later.
    QTRY_COMPARE(bar->size(), bar->sizeHint());
    // Text and icon pixels: where pictures differ when only their colour does.
    auto picture = [this](const QColor &text, const QColor &icon) {
        QPalette palette = bar->palette();
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            palette.setColor(role, text);
        bar->setPalette(palette);
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->tabIcon(i).isNull())
                bar->setTabIcon(i, solidIcon(icon));
        }
        return bar->grab().toImage();
    };
    const QImage base = picture(Qt::red, Qt::red);
    const QRegion textPixels = differences(base, picture(Qt::blue, Qt::red));
    const QRegion iconPixels = differences(base, picture(Qt::red, Qt::blue));

    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        const QRect glyph = bar->closeGlyphRect(i);
        const QByteArray which = "tab " + QByteArray::number(i);
        QVERIFY2(bar->rect().contains(tab), which);
        QVERIFY2(!glyph.isEmpty(), which);
        QVERIFY2(tab.contains(glyph), which);
        QVERIFY2(!textPixels.intersects(glyph), which);
        QVERIFY2(!iconPixels.intersects(glyph), which);
        QCOMPARE(bar->closeGlyphAt(glyph.center()), i);
        const QRect text = (textPixels & tab).boundingRect();
        if (bar->tabText(i).isEmpty()) {
            QVERIFY2(text.isEmpty(), which);
            continue;
        }
        // The whole text is drawn: the glyph took no room from it.
        const int advance = bar->fontMetrics().horizontalAdvance(bar->tabText(i));
        QVERIFY2(text.width() >= advance - 4, which + " text " + QByteArray::number(text.width())
                     + " of " + QByteArray::number(advance));
        QVERIFY2(bar->tabIcon(i).isNull() || !(iconPixels & tab).isEmpty(), which);
    }
}

void TestNoteTabBar::glyphShowsHoverAndPressOnScreen()
{
    // What the screen shows, so that repaints after hover and press are checked too.
    addTabs(4);
    for (int index : {0, 2}) { // the current tab, and another
        const QRect glyph = bar->closeGlyphRect(index);
        const QPoint text(bar->tabRect(index).left() + 6, glyph.center().y());
        QTest::mouseMove(bar, text);
        const QImage normal = settledOnScreen(glyph);

        QTest::mouseMove(bar, glyph.center());
        QTRY_VERIFY(onScreen(glyph) != normal);
        const QImage hover = onScreen(glyph);

        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, glyph.center());
        QTRY_VERIFY(onScreen(glyph) != hover);
        const QImage pressed = onScreen(glyph);
        QVERIFY(pressed != normal);

        // Held and moved off: no longer drawn pressed; back on: pressed again.
        QTest::mouseMove(bar, text);
        QTRY_COMPARE(onScreen(glyph), normal);
        QTest::mouseMove(bar, glyph.center());
        QTRY_COMPARE(onScreen(glyph), pressed);
        QTest::mouseMove(bar, text);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, text);
        QTRY_COMPARE(onScreen(glyph), normal);

        // Leaving the bar from the glyph drops the hover look. (Without a
        // button held QTest moves the real pointer, which is still on the
        // glyph: it goes to the text first.)
        QTest::mouseMove(bar, text);
        QTest::mouseMove(bar, glyph.center());
        QTRY_COMPARE(onScreen(glyph), hover);
        QTest::mouseMove(tabs, QPoint(tabs->width() / 2, tabs->height() - 10));
        // The X server's leave notice can lag behind the moved pointer (or
        // never come, when another window sits there); deliver it as it would.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(bar, &leave);
        QTRY_COMPARE(onScreen(glyph), normal);
    }
    // Another glyph does not react to the pointer over this one.
    const QRect other = bar->closeGlyphRect(1);
    const QImage before = onScreen(other);
    QTest::mouseMove(bar, bar->closeGlyphRect(2).center());
    QTest::qWait(100);
    QCOMPARE(onScreen(other), before);
}

void TestNoteTabBar::glyphHasItsOwnTooltip()
{
    addTabs(3);
    bar->setTabToolTip(1, QStringLiteral("the second note"));
    auto tooltipAt = [this](QPoint at) {
        QToolTip::hideText();
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
            return QString();
        QHelpEvent help(QEvent::ToolTip, at, global(at));
        QCoreApplication::sendEvent(bar, &help);
        return QTest::qWaitFor([] { return QToolTip::isVisible(); }) ? QToolTip::text() : QString();
    };
    QCOMPARE(tooltipAt(bar->closeGlyphRect(1).center()), QStringLiteral("关闭"));
    QCOMPARE(tooltipAt(bar->closeGlyphRect(2).center()), QStringLiteral("关闭"));
    QCOMPARE(tooltipAt(QPoint(bar->tabRect(1).left() + 6, bar->tabRect(1).center().y())),
             QStringLiteral("the second note"));
}

void TestNoteTabBar::draggedTabTakesItsGlyphAlong()
{
    // A real drag through the X server, as a hand would do it.
    addTabs(5);
    tabs->activateWindow();
    QSignalSpy requests(tabs, &QTabWidget::tabCloseRequested);
    QSignalSpy moves(bar, &QTabBar::tabMoved);
    const QRect glyph = bar->closeGlyphRect(1);
    const QPoint grip(bar->tabRect(1).left() + 8, glyph.center().y());
    QVERIFY(movePointer(global(grip)));
    QTest::qWait(100);
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QTRY_COMPARE(tabs->currentIndex(), 1);
    QTest::qWait(100);
    const QImage ownGlyph = onScreen(glyph);

    // Halfway over tab 2, the dragged tab still shows its glyph where the
    // pointer has carried it.
    const int distance = bar->tabRect(2).center().x() - grip.x() - 4;
    for (int step = 1; step <= 4; ++step) {
        QVERIFY(movePointer(global(grip + QPoint(distance * step / 4, 0))));
        QTest::qWait(40);
    }
    QTest::qWait(300);
    QTRY_COMPARE(onScreen(glyph.translated(distance, 0)), ownGlyph);
    QCOMPARE(requests.count(), 0);

    // Dropped with the pointer on where tab 3's glyph was: a move, no close.
    const QPoint drop = bar->closeGlyphRect(3).center();
    QVERIFY(movePointer(global(drop)));
    QTest::qWait(50);
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_VERIFY(moves.count() > 0);
    QTest::qWait(400); // the dropped tab slides into place
    QCOMPARE(requests.count(), 0);
    const int moved = texts().indexOf(QStringLiteral("笔记 1"));
    QVERIFY(moved > 1);

    // Its glyph now closes it at its new index, with a real click.
    const QPoint at = global(bar->closeGlyphRect(moved).center());
    QVERIFY(movePointer(at));
    QTest::qWait(100);
    QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTRY_COMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), moved);
    QCOMPARE(tabs->count(), 5);
}

void TestNoteTabBar::keyboardAndWheelNavigateAsBefore()
{
    // The same keys and wheel turns on a plain QTabWidget and on ours end on
    // the same tab.
    addTabs(6);
    QTabWidget plain;
    plain.setMovable(true);
    for (int i = 0; i < tabs->count(); ++i)
        plain.addTab(new QLabel, tabs->tabIcon(i), tabs->tabText(i));
    plain.setGeometry(100, 350, 640, 200);
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QSignalSpy requests(tabs, &QTabWidget::tabCloseRequested);

    auto both = [&](const std::function<void(QTabWidget *)> &act) {
        act(tabs);
        act(&plain);
        QCOMPARE(tabs->currentIndex(), plain.currentIndex());
    };
    auto key = [](int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return [k, modifiers](QTabWidget *w) { QTest::keyClick(w->tabBar(), Qt::Key(k), modifiers); };
    };
    auto wheel = [](int delta) {
        return [delta](QTabWidget *w) {
            const QPointF at = w->tabBar()->rect().center();
            QWheelEvent event(at, w->tabBar()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(w->tabBar(), &event);
        };
    };
    both(key(Qt::Key_Right));
    both(key(Qt::Key_Right));
    both(key(Qt::Key_Left));
    QCOMPARE(tabs->currentIndex(), 1);
    both(wheel(-120));
    both(wheel(-120));
    both(wheel(120));
    both([](QTabWidget *w) { QTest::keyClick(w, Qt::Key_Tab, Qt::ControlModifier); });
    QVERIFY(tabs->currentIndex() > 0);
    QCOMPARE(requests.count(), 0);
}

void TestNoteTabBar::manyTabsKeepTheirIndicesWhenScrolled()
{
    addTabs(500);
    tabs->resize(400, 200);
    QTRY_VERIFY(bar->width() <= 400);
    // No widget per tab: only the two scroll buttons.
    const auto children = bar->findChildren<QToolButton *>();
    QCOMPARE(bar->findChildren<QWidget *>().size(), children.size());
    QCOMPARE(children.size(), 2);
    QToolButton *right = nullptr;
    for (QToolButton *button : children) {
        QVERIFY(button->isVisible());
        if (button->arrowType() == Qt::RightArrow)
            right = button;
    }
    QVERIFY(right);
    QSignalSpy requests(tabs, &QTabWidget::tabCloseRequested);

    auto clickVisibleGlyphs = [&] {
        int clicked = 0;
        for (int i = 0; i < bar->count(); ++i) {
            const QPoint at = bar->closeGlyphRect(i).center();
            if (!bar->rect().contains(at) || bar->childAt(at))
                continue;
            QCOMPARE(bar->tabAt(at), i);
            requests.clear();
            click(at);
            QCOMPARE(requests.count(), 1);
            QCOMPARE(requests.at(0).at(0).toInt(), i);
            ++clicked;
        }
        QVERIFY(clicked >= 2);
    };
    clickVisibleGlyphs();
    for (int i = 0; i < 15; ++i)
        QTest::mouseClick(right, Qt::LeftButton);
    QVERIFY(bar->tabRect(0).right() < 0);
    clickVisibleGlyphs();
    tabs->setCurrentIndex(377);
    QVERIFY(bar->rect().contains(bar->tabRect(377)));
    clickVisibleGlyphs();
    QCOMPARE(tabs->currentIndex(), 377);
    QCOMPARE(tabs->count(), 500);
}

QTEST_MAIN(TestNoteTabBar)
#include "tst_notetabbar.moc"
