#include "globalshortcut.h"
#include "globalshortcutprivate.h"
#include "hotkeybackend.h"
#include "x11hotkeybackend.h"

#include <QtTest>

namespace {

/// What the fake system saw, shared by all fake backends of a test.
struct FakeSystem
{
    QStringList calls;
    QSet<QPair<quint32, quint32>> refused; // registrations the system refuses
    QSet<QPair<quint32, quint32>> held;    // registrations it granted
    bool unregisterFails = false;
    HotKeyBackend::Listener listener;
    int created = 0;
    int destroyed = 0;
};
FakeSystem *fakeSystem = nullptr;

/// Native key = the Qt key for letters (0 otherwise), native modifiers =
/// Qt's modifier bits shifted down, so the tests can read them.
class FakeBackend : public HotKeyBackend
{
public:
    explicit FakeBackend(Listener listener)
    {
        fakeSystem->listener = std::move(listener);
        ++fakeSystem->created;
    }
    ~FakeBackend() override
    {
        fakeSystem->listener = nullptr;
        ++fakeSystem->destroyed;
    }
    quint32 nativeKey(int qtKey) const override
    {
        return qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z ? quint32(qtKey) : 0;
    }
    quint32 nativeModifiers(int qtMods) const override { return quint32(qtMods) >> 25; }
    bool registerHotKey(quint32 key, quint32 mods) override
    {
        fakeSystem->calls << QStringLiteral("register %1 %2").arg(key, 0, 16).arg(mods);
        if (key == 0 || fakeSystem->refused.contains({key, mods}) || fakeSystem->held.contains({key, mods}))
            return false;
        fakeSystem->held.insert({key, mods});
        return true;
    }
    bool unregisterHotKey(quint32 key, quint32 mods) override
    {
        fakeSystem->calls << QStringLiteral("unregister %1 %2").arg(key, 0, 16).arg(mods);
        // Like the system: giving back a key it never granted is an error.
        return fakeSystem->held.remove({key, mods}) && !fakeSystem->unregisterFails;
    }
};

// Ctrl = 0x04000000 >> 25 = 2, Alt = 0x08000000 >> 25 = 4.
constexpr quint32 CtrlAlt = 6;

void press(quint32 key, quint32 mods)
{
    QVERIFY(fakeSystem->listener);
    fakeSystem->listener(key, mods);
}

} // namespace

class TestGlobalShortcut : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void splitsFirstKeyIntoKeyAndModifiers_data();
    void splitsFirstKeyIntoKeyAndModifiers();
    void firesOnlyItsOwnEnabledKey();
    void disabledKeyStaysRegistered();
    void newSequenceReplacesOldKey();
    void refusedKeyWarnsAndStaysInTable();
    void unregisterErrorWarnsButClears();
    void destructorGivesKeyBack();
    void lastHotKeyStopsListening();
    void sameKeyTwiceGoesToLatest();
    void emptySequenceLeavesNoDanglingEntry();
    void translatesToX11_data();
    void translatesToX11();

private:
    FakeSystem system;
    QObject owner;
};

void TestGlobalShortcut::init()
{
    system = FakeSystem();
    fakeSystem = &system;
    GlobalShortcutPrivate::setBackendFactory(
        [](HotKeyBackend::Listener listener) { return std::make_unique<FakeBackend>(std::move(listener)); });
}

void TestGlobalShortcut::cleanup()
{
    qDeleteAll(owner.findChildren<GlobalShortcut *>());
    QCOMPARE(GlobalShortcutPrivate::liveCount, 0);
    QVERIFY(GlobalShortcutPrivate::hotKeyTable.isEmpty());
    GlobalShortcutPrivate::setBackendFactory({});
    fakeSystem = nullptr;
}

void TestGlobalShortcut::splitsFirstKeyIntoKeyAndModifiers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("registered");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("ctrl+alt+c") << "ctrl+alt+c" << "register 43 6" << "Ctrl+Alt+C";
    QTest::newRow("shift+meta+z") << "shift+meta+z" << "register 5a 9" << "Shift+Meta+Z";
    QTest::newRow("further keys ignored") << "ctrl+a, ctrl+b" << "register 41 2" << "Ctrl+A";
}

void TestGlobalShortcut::splitsFirstKeyIntoKeyAndModifiers()
{
    QFETCH(QString, text);
    QFETCH(QString, registered);
    QFETCH(QString, readBack);
    auto *shortcut = new GlobalShortcut(QKeySequence(text), &owner);
    QCOMPARE(system.calls, QStringList{registered});
    QCOMPARE(shortcut->shortcut(), QKeySequence(readBack));
    QCOMPARE(shortcut->shortcut().count(), 1);
    QCOMPARE(shortcut->property("shortcut").value<QKeySequence>(), QKeySequence(readBack));
}

void TestGlobalShortcut::firesOnlyItsOwnEnabledKey()
{
    auto *shortcut = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    QSignalSpy activated(shortcut, &GlobalShortcut::activated);
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(activated.count(), 1);
    press(Qt::Key_C, 2);      // Ctrl alone
    press(Qt::Key_D, CtrlAlt); // another key
    QCOMPARE(activated.count(), 1);
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(activated.count(), 2);
}

void TestGlobalShortcut::disabledKeyStaysRegistered()
{
    auto *shortcut = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    QSignalSpy activated(shortcut, &GlobalShortcut::activated);
    shortcut->setDisabled();
    QVERIFY(!shortcut->isEnabled());
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(activated.count(), 0);
    shortcut->setProperty("enabled", true);
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(activated.count(), 1);
    shortcut->setEnabled(false);
    shortcut->setDisabled(false);
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(activated.count(), 2);
    // Switching on and off never went back to the system.
    QCOMPARE(system.calls, QStringList{QStringLiteral("register 43 6")});
}

void TestGlobalShortcut::newSequenceReplacesOldKey()
{
    auto *shortcut = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    QSignalSpy activated(shortcut, &GlobalShortcut::activated);
    QVERIFY(shortcut->setShortcut(QKeySequence(QStringLiteral("alt+x"))));
    QCOMPARE(system.calls,
             (QStringList{QStringLiteral("register 43 6"), QStringLiteral("unregister 43 6"),
                          QStringLiteral("register 58 4")}));
    QCOMPARE(GlobalShortcutPrivate::hotKeyTable.size(), 1);
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(activated.count(), 0);
    press(Qt::Key_X, 4);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(shortcut->shortcut(), QKeySequence(QStringLiteral("Alt+X")));
}

void TestGlobalShortcut::refusedKeyWarnsAndStaysInTable()
{
    system.refused.insert({Qt::Key_C, CtrlAlt});
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to register: Ctrl+Alt+C");
    auto *shortcut = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    QCOMPARE(shortcut->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+C")));
    QCOMPARE(GlobalShortcutPrivate::hotKeyTable.value({Qt::Key_C, CtrlAlt}), shortcut);
    // Rebinding gives back a key that was never granted (an error), then a
    // key without a native code is refused, each with its own text.
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to unregister: Ctrl+Alt+C");
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to register: Ctrl+.");
    QVERIFY(!shortcut->setShortcut(QKeySequence(QStringLiteral("ctrl+."))));
    QCOMPARE(system.calls.last(), QStringLiteral("register 0 2"));
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to unregister: Ctrl+.");
    delete shortcut;
    QVERIFY(GlobalShortcutPrivate::hotKeyTable.isEmpty());
}

void TestGlobalShortcut::unregisterErrorWarnsButClears()
{
    auto *shortcut = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    QSignalSpy activated(shortcut, &GlobalShortcut::activated);
    system.unregisterFails = true;
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to unregister: Ctrl+Alt+C");
    QVERIFY(shortcut->setShortcut(QKeySequence(QStringLiteral("ctrl+alt+d"))));
    QVERIFY(!GlobalShortcutPrivate::hotKeyTable.contains({Qt::Key_C, CtrlAlt}));
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(activated.count(), 0);
    system.unregisterFails = false;
}

void TestGlobalShortcut::destructorGivesKeyBack()
{
    auto *shortcut = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    auto *other = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+v")), &owner);
    QSignalSpy activated(other, &GlobalShortcut::activated);
    delete shortcut;
    QCOMPARE(system.calls.last(), QStringLiteral("unregister 43 6"));
    QCOMPARE(GlobalShortcutPrivate::hotKeyTable.size(), 1);
    press(Qt::Key_C, CtrlAlt); // no object any more: ignored
    press(Qt::Key_V, CtrlAlt);
    QCOMPARE(activated.count(), 1);
}

void TestGlobalShortcut::lastHotKeyStopsListening()
{
    auto *first = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    auto *second = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+v")), &owner);
    QCOMPARE(system.created, 1);
    QCOMPARE(GlobalShortcutPrivate::liveCount, 2);
    delete first;
    QVERIFY(GlobalShortcutPrivate::nativeBackend());
    QCOMPARE(system.destroyed, 0);
    delete second;
    QCOMPARE(system.destroyed, 1);
    QVERIFY(!GlobalShortcutPrivate::nativeBackend());
    QVERIFY(!system.listener);
    // A new hot key listens again.
    new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    QCOMPARE(system.created, 2);
}

void TestGlobalShortcut::sameKeyTwiceGoesToLatest()
{
    auto *first = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    // The system holds the key already, but the table follows the latest.
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to register: Ctrl+Alt+C");
    auto *second = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), &owner);
    QSignalSpy firstSpy(first, &GlobalShortcut::activated);
    QSignalSpy secondSpy(second, &GlobalShortcut::activated);
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(firstSpy.count(), 0);
    QCOMPARE(secondSpy.count(), 1);
    // Deleting the later one gives the key back and must not leave the
    // table pointing at it; the first one then has neither.
    delete second;
    QVERIFY(GlobalShortcutPrivate::hotKeyTable.isEmpty());
    press(Qt::Key_C, CtrlAlt);
    QCOMPARE(firstSpy.count(), 0);
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to unregister: Ctrl+Alt+C");
    delete first;
}

void TestGlobalShortcut::emptySequenceLeavesNoDanglingEntry()
{
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to register: ");
    auto *shortcut = new GlobalShortcut(QKeySequence(), &owner);
    QVERIFY(shortcut->shortcut().isEmpty());
    delete shortcut;
    QVERIFY(GlobalShortcutPrivate::hotKeyTable.isEmpty());
}

void TestGlobalShortcut::translatesToX11_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("keySym");
    QTest::addColumn<quint32>("mask");
    QTest::newRow("ctrl+alt+c") << "ctrl+alt+c" << 0x63u << 0x0cu; // Control | Mod1
    QTest::newRow("shift+meta+z") << "shift+meta+z" << 0x7au << 0x41u; // Shift | Mod4
    QTest::newRow("digit") << "ctrl+7" << 0x37u << 0x04u;
    QTest::newRow("asterisk: keypad multiply") << "ctrl+*" << 0xffaau << 0x04u;
    QTest::newRow("comma: keypad separator") << "ctrl+," << 0xffacu << 0x04u;
    QTest::newRow("slash: keypad divide") << "ctrl+/" << 0xffafu << 0x04u;
    QTest::newRow("backtab: tab") << "ctrl+backtab" << 0xff09u << 0x04u;
    QTest::newRow("enter: return") << "ctrl+enter" << 0xff0du << 0x04u;
    QTest::newRow("page down") << "alt+pgdown" << 0xff56u << 0x08u;
    QTest::newRow("F24") << "F24" << 0xffd5u << 0u;
    QTest::newRow("period: none") << "ctrl+." << 0u << 0x04u;
    QTest::newRow("F25: none") << "F25" << 0u << 0u;
}

void TestGlobalShortcut::translatesToX11()
{
    QFETCH(QString, text);
    QFETCH(quint32, keySym);
    QFETCH(quint32, mask);
    const int combined = QKeySequence(text)[0].toCombined();
    QCOMPARE(X11HotKeyBackend::keySym(combined & ~0x1E000000), keySym);
    QCOMPARE(X11HotKeyBackend::modifierMask(combined & 0x1E000000), mask);
}

QTEST_GUILESS_MAIN(TestGlobalShortcut)
#include "tst_globalshortcut.moc"
