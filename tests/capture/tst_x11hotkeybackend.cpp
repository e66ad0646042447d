#include "desktopdriver.h"
#include "keygrabberclient.h"
#include "x11hotkeybackend.h"

#include <QtTest>

namespace {
constexpr quint32 XK_c = 0x63;
constexpr quint32 CtrlAlt = 0x4 | 0x8; // ControlMask | Mod1Mask
}

/// The X11 side of the global hot key against the real X server: key and
/// modifier tables, the four lock combinations, and another client holding
/// the key.
class TestX11HotKeyBackend : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void translatesQtKey_data();
    void translatesQtKey();
    void translatesModifiers_data();
    void translatesModifiers();
    void reportsKeyWhateverLocks_data();
    void reportsKeyWhateverLocks();
    void ignoresOtherKeysAndModifiers();
    void keyHeldElsewhereLeavesNothingGrabbed_data();
    void keyHeldElsewhereLeavesNothingGrabbed();
    void unregisterGivesKeyBack();
    void refusesAnyKeyAndDoubleRegistration();

private:
    std::unique_ptr<X11HotKeyBackend> backend;
    QList<QPair<quint32, quint32>> reports;
};

void TestX11HotKeyBackend::initTestCase()
{
    QVERIFY2(X11HotKeyBackend::create({}), "needs the xcb platform");
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
}

void TestX11HotKeyBackend::init()
{
    reports.clear();
    backend = X11HotKeyBackend::create([this](quint32 key, quint32 mods) { reports.append({key, mods}); });
    QVERIFY(backend);
}

void TestX11HotKeyBackend::cleanup()
{
    backend.reset();
    QVERIFY(DesktopDriver::setLocks(false, false));
}

void TestX11HotKeyBackend::translatesQtKey_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<quint32>("keySym");
    QTest::newRow("space") << int(Qt::Key_Space) << 0x20u;
    QTest::newRow("asterisk: keypad multiply") << int(Qt::Key_Asterisk) << 0xffaau;
    QTest::newRow("plus: keypad add") << int(Qt::Key_Plus) << 0xffabu;
    QTest::newRow("comma: keypad separator") << int(Qt::Key_Comma) << 0xffacu;
    QTest::newRow("minus: keypad subtract") << int(Qt::Key_Minus) << 0xffadu;
    QTest::newRow("slash: keypad divide") << int(Qt::Key_Slash) << 0xffafu;
    QTest::newRow("0") << int(Qt::Key_0) << 0x30u;
    QTest::newRow("9") << int(Qt::Key_9) << 0x39u;
    QTest::newRow("A") << int(Qt::Key_A) << 0x61u;
    QTest::newRow("C") << int(Qt::Key_C) << 0x63u;
    QTest::newRow("Z") << int(Qt::Key_Z) << 0x7au;
    QTest::newRow("escape") << int(Qt::Key_Escape) << 0xff1bu;
    QTest::newRow("tab") << int(Qt::Key_Tab) << 0xff09u;
    QTest::newRow("backtab") << int(Qt::Key_Backtab) << 0xff09u;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0xff08u;
    QTest::newRow("return") << int(Qt::Key_Return) << 0xff0du;
    QTest::newRow("enter") << int(Qt::Key_Enter) << 0xff0du;
    QTest::newRow("insert") << int(Qt::Key_Insert) << 0xff63u;
    QTest::newRow("delete") << int(Qt::Key_Delete) << 0xffffu;
    QTest::newRow("pause") << int(Qt::Key_Pause) << 0xff13u;
    QTest::newRow("print") << int(Qt::Key_Print) << 0xff61u;
    QTest::newRow("clear") << int(Qt::Key_Clear) << 0xff0bu;
    QTest::newRow("home") << int(Qt::Key_Home) << 0xff50u;
    QTest::newRow("end") << int(Qt::Key_End) << 0xff57u;
    QTest::newRow("left") << int(Qt::Key_Left) << 0xff51u;
    QTest::newRow("up") << int(Qt::Key_Up) << 0xff52u;
    QTest::newRow("right") << int(Qt::Key_Right) << 0xff53u;
    QTest::newRow("down") << int(Qt::Key_Down) << 0xff54u;
    QTest::newRow("page up") << int(Qt::Key_PageUp) << 0xff55u;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << 0xff56u;
    QTest::newRow("F1") << int(Qt::Key_F1) << 0xffbeu;
    QTest::newRow("F24") << int(Qt::Key_F24) << 0xffd5u;
    QTest::newRow("F25: none") << int(Qt::Key_F25) << 0u;
    QTest::newRow("period: none") << int(Qt::Key_Period) << 0u;
    QTest::newRow("keypad-flagged C: none") << (int(Qt::Key_C) | int(Qt::KeypadModifier)) << 0u;
}

void TestX11HotKeyBackend::translatesQtKey()
{
    QFETCH(int, qtKey);
    QFETCH(quint32, keySym);
    QCOMPARE(X11HotKeyBackend::keySym(qtKey), keySym);
    QCOMPARE(backend->nativeKey(qtKey), keySym);
}

void TestX11HotKeyBackend::translatesModifiers_data()
{
    QTest::addColumn<int>("qtMods");
    QTest::addColumn<quint32>("mask");
    QTest::newRow("shift") << int(Qt::ShiftModifier) << 0x1u;
    QTest::newRow("control") << int(Qt::ControlModifier) << 0x4u;
    QTest::newRow("alt") << int(Qt::AltModifier) << 0x8u;
    QTest::newRow("meta: super") << int(Qt::MetaModifier) << 0x40u;
    QTest::newRow("ctrl+alt") << int(Qt::ControlModifier | Qt::AltModifier) << CtrlAlt;
    QTest::newRow("keypad bit ignored") << int(Qt::KeypadModifier) << 0u;
}

void TestX11HotKeyBackend::translatesModifiers()
{
    QFETCH(int, qtMods);
    QFETCH(quint32, mask);
    QCOMPARE(X11HotKeyBackend::modifierMask(qtMods), mask);
    QCOMPARE(backend->nativeModifiers(qtMods), mask);
}

void TestX11HotKeyBackend::reportsKeyWhateverLocks_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<bool>("numLock");
    QTest::newRow("no lock") << false << false;
    QTest::newRow("caps lock") << true << false;
    QTest::newRow("num lock") << false << true;
    QTest::newRow("both") << true << true;
}

void TestX11HotKeyBackend::reportsKeyWhateverLocks()
{
    QFETCH(bool, capsLock);
    QFETCH(bool, numLock);
    QVERIFY(backend->registerHotKey(XK_c, CtrlAlt));
    QVERIFY(DesktopDriver::setLocks(capsLock, numLock));
    QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+alt+c")));
    QTRY_COMPARE(reports.size(), 1);
    QCOMPARE(reports.first(), qMakePair(XK_c, CtrlAlt));
}

void TestX11HotKeyBackend::ignoresOtherKeysAndModifiers()
{
    QVERIFY(backend->registerHotKey(XK_c, CtrlAlt));
    // Keys arrive in order: once the real one is reported, the others would
    // have been too.
    QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+alt+d")));
    QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+c")));
    QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+alt+shift+c")));
    QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+alt+c")));
    QTRY_VERIFY(!reports.isEmpty());
    QCOMPARE(reports, (QList<QPair<quint32, quint32>>{{XK_c, CtrlAlt}}));
}

void TestX11HotKeyBackend::keyHeldElsewhereLeavesNothingGrabbed_data()
{
    QTest::addColumn<QStringList>("held");
    QTest::newRow("all four") << QStringList{"plain", "caps", "num", "both"};
    QTest::newRow("plain only") << QStringList{"plain"};
    // The combinations before and after the refused one were granted and
    // must be given back.
    QTest::newRow("num lock only") << QStringList{"num"};
}

void TestX11HotKeyBackend::keyHeldElsewhereLeavesNothingGrabbed()
{
    QFETCH(QStringList, held);
    {
        KeyGrabberClient other;
        QVERIFY(other.hold(held));
        QVERIFY(!backend->registerHotKey(XK_c, CtrlAlt));
        // Nothing to give back either.
        QVERIFY(!backend->unregisterHotKey(XK_c, CtrlAlt));
    }
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
    // With the other client gone the key can be had.
    QVERIFY(backend->registerHotKey(XK_c, CtrlAlt));
}

void TestX11HotKeyBackend::unregisterGivesKeyBack()
{
    QVERIFY(backend->registerHotKey(XK_c, CtrlAlt));
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("taken plain caps num both"));
    QVERIFY(backend->unregisterHotKey(XK_c, CtrlAlt));
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
    // A backend going away gives back what it still holds.
    QVERIFY(backend->registerHotKey(XK_c, CtrlAlt));
    backend.reset();
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
}

void TestX11HotKeyBackend::refusesAnyKeyAndDoubleRegistration()
{
    // Key symbol 0 would grab every key pressed with Ctrl+Alt, Ctrl+Alt+C
    // among them.
    QVERIFY(!backend->registerHotKey(0, CtrlAlt));
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
    QVERIFY(backend->registerHotKey(XK_c, CtrlAlt));
    QVERIFY(!backend->registerHotKey(XK_c, CtrlAlt));
    QVERIFY(backend->unregisterHotKey(XK_c, CtrlAlt));
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
}

QTEST_MAIN(TestX11HotKeyBackend)
#include "tst_x11hotkeybackend.moc"
