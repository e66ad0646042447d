// The program's language follows the user's locale. Run by CTest twice, with
// LANG=en_US.UTF-8 and with LANG=zh_CN.UTF-8 (VELMO_EXPECT_LANGUAGE says which
// texts the run expects): the main window's title strip, tool tips, messages,
// tray menu and home page are English in the first and the program's own
// Chinese in the second. The choice rule itself is checked as a table.

#include "dialog.h"
#include "uilanguage.h"
#include "xdgautostartentry.h"

#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
bool hasChinese(const QString &text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Han)
            return true;
    }
    return false;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}
}

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void choosesFromLocale_data();
    void choosesFromLocale();
    void qtDialogsSpeakTheProgramsLanguage_data();
    void qtDialogsSpeakTheProgramsLanguage();
    void homePageFollowsLanguage();
    void mainWindowSpeaksLocaleLanguage_data();
    void mainWindowSpeaksLocaleLanguage();
    void englishLeavesNoChineseText();
    void failureMessageInLocaleLanguage();

private:
    bool m_english = false;
    QTemporaryDir m_work;
};

void TestLanguage::initTestCase()
{
    const QByteArray expected = qgetenv("VELMO_EXPECT_LANGUAGE");
    QVERIFY2(expected == "en" || expected == "zh", "run through CTest, which sets VELMO_EXPECT_LANGUAGE and LANG");
    m_english = expected == "en";
    const UiLanguage::Texts texts = UiLanguage::install(qApp);
    QCOMPARE(texts == UiLanguage::Texts::English, m_english);
    writeFile(m_work.path() + QLatin1String("/index.dat"), "<p>首页</p>");
    writeFile(m_work.path() + QLatin1String("/index.en.dat"), "<p>Home page</p>");
    QDir::setCurrent(m_work.path());
}

void TestLanguage::choosesFromLocale_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<bool>("english");
    QTest::newRow("zh_CN") << QStringList{"zh-CN", "zh-Hans-CN", "zh"} << false;
    QTest::newRow("zh_TW") << QStringList{"zh-TW", "zh-Hant-TW"} << false;
    QTest::newRow("C") << QStringList{"C"} << false;
    QTest::newRow("POSIX") << QStringList{"POSIX"} << false;
    QTest::newRow("nothing set") << QStringList() << false;
    QTest::newRow("en_US") << QStringList{"en-US", "en-Latn-US", "en"} << true;
    QTest::newRow("en_GB") << QStringList{"en-GB"} << true;
    QTest::newRow("de_DE") << QStringList{"de-DE", "de-Latn-DE", "de"} << true;
    QTest::newRow("ja_JP") << QStringList{"ja-JP"} << true;
    QTest::newRow("first preference counts") << QStringList{"fr-FR", "zh-CN"} << true;
}

void TestLanguage::choosesFromLocale()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(bool, english);
    QCOMPARE(UiLanguage::choose(uiLanguages) == UiLanguage::Texts::English, english);
}

void TestLanguage::qtDialogsSpeakTheProgramsLanguage_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("qtTexts");
    QTest::newRow("zh_CN") << "zh_CN" << "zh_CN";
    QTest::newRow("zh_TW") << "zh_TW" << "zh_TW";
    QTest::newRow("C: the texts are Chinese") << "C" << "zh_CN";
    QTest::newRow("de_DE") << "de_DE" << "de_DE";
}

void TestLanguage::qtDialogsSpeakTheProgramsLanguage()
{
    QFETCH(QString, system);
    QFETCH(QString, qtTexts);
    const QLocale locale(system);
    const QLocale qt = UiLanguage::qtLocale(UiLanguage::choose(locale.uiLanguages()), locale);
    QCOMPARE(qt.name(), qtTexts);
    // The translation that goes with it is installed (qt6-translations-l10n).
    QTranslator translator;
    QVERIFY(translator.load(qt, QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
}

void TestLanguage::homePageFollowsLanguage()
{
    const QString dir = m_work.path();
    QCOMPARE(UiLanguage::homePageFile(dir, UiLanguage::Texts::English), dir + QLatin1String("/index.en.dat"));
    QCOMPARE(UiLanguage::homePageFile(dir, UiLanguage::Texts::Chinese), dir + QLatin1String("/index.dat"));
    // A notebook folder without the English page shows the Chinese one.
    QTemporaryDir older;
    QCOMPARE(UiLanguage::homePageFile(older.path(), UiLanguage::Texts::English), older.path() + QLatin1String("/index.dat"));
}

void TestLanguage::mainWindowSpeaksLocaleLanguage_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");
    QTest::newRow("minimise") << "hideButton" << "最小化" << "Minimise";
    QTest::newRow("skin") << "skinButton" << "更换皮肤" << "Change skin";
    QTest::newRow("add") << "addButton" << "添加便签 (Ctrl+N)" << "Add note (Ctrl+N)";
    QTest::newRow("rename") << "renameButton" << "便签改名" << "Rename note";
    QTest::newRow("stick") << "stickButton" << "贴在屏幕上" << "Stick on screen";
}

void TestLanguage::mainWindowSpeaksLocaleLanguage()
{
    QFETCH(QString, button);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    Dialog window(std::make_unique<XdgAutoStartEntry>(m_work.path() + QLatin1String("/config")));
    auto *tool = window.findChild<QToolButton *>(button);
    QVERIFY(tool);
    QCOMPARE(tool->toolTip(), m_english ? english : chinese);
    auto *home = window.findChild<QTextEdit *>(QStringLiteral("homeEdit"));
    QVERIFY(home);
    window.show();
    QTRY_VERIFY(!home->toPlainText().isEmpty());
    QCOMPARE(home->toPlainText(), m_english ? QStringLiteral("Home page") : QStringLiteral("首页"));
}

void TestLanguage::englishLeavesNoChineseText()
{
    if (!m_english)
        QSKIP("the Chinese run shows the program's own texts");
    Dialog window(std::make_unique<XdgAutoStartEntry>(m_work.path() + QLatin1String("/config")));
    window.show();
    QStringList chinese;
    auto note = [&chinese](const QString &where, const QString &text) {
        if (hasChinese(text))
            chinese << where + QLatin1String(": ") + text;
    };
    // Every widget of the window and its panels, with the title strip's.
    QList<QWidget *> widgets = window.findChildren<QWidget *>();
    widgets << &window;
    for (QWidget *widget : std::as_const(widgets)) {
        const QString name = widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                                             : widget->objectName();
        note(name + QLatin1String(" tool tip"), widget->toolTip());
        note(name + QLatin1String(" title"), widget->windowTitle());
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            note(name + QLatin1String(" text"), button->text());
        if (auto *label = qobject_cast<QLabel *>(widget))
            note(name + QLatin1String(" text"), label->text());
        if (auto *tabs = qobject_cast<QTabWidget *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                note(name + QLatin1String(" tab"), tabs->tabText(i));
        }
    }
    // The tray menu.
    auto *tray = window.findChild<QSystemTrayIcon *>(QStringLiteral("trayIcon"));
    QVERIFY(tray && tray->contextMenu());
    for (QAction *action : tray->contextMenu()->actions())
        note(QStringLiteral("tray menu"), action->text());
    QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(QLatin1Char('\n'))));
}

void TestLanguage::failureMessageInLocaleLanguage()
{
    // A notebook folder without a home page: the window says so.
    QTemporaryDir empty;
    QDir::setCurrent(empty.path());
    Dialog window(std::make_unique<XdgAutoStartEntry>(empty.path() + QLatin1String("/config")));
    QDir::setCurrent(m_work.path());
    window.show();
    auto *tip = window.findChild<QLabel *>(QStringLiteral("tipLabel"));
    QVERIFY(tip);
    QCOMPARE(tip->text(), m_english ? QStringLiteral("Could not load the home page") : QStringLiteral("加载主页说明失败"));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
