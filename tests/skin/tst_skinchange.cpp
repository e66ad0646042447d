#include "dialog.h"
#include "modaldialogs.h"
#include "notebook.h"
#include "notewidget.h"
#include "skindialog.h"
#include "tabstorefile.h"
#include "xdgautostartentry.h"

#include <QComboBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

/// The main window's skin button: the chosen picture dresses the main window
/// and every desktop note, old and new, is saved in tab.dat and comes back
/// at the next start.
class TestSkinChange : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void chosenSkinDressesWindowAndNotes();
    void cancelKeepsTheSkin();
    void folderEntryChangesNoPicture();
    void restartShowsTheSkinAgain();

private:
    Dialog *startWindow();
    /// Opens the chooser from the skin button; picks item index and presses OK (cancel when index < 0).
    bool chooseSkin(int index);
    NoteWidget *stickNewTab(const QString &name, bool fixed = false);
    static QColor bodyOf(QWidget *window, QPoint at) { return window->grab().toImage().pixelColor(at); }
    QColor windowBody() const { return bodyOf(window, QPoint(5, 200)); }
    static QColor noteBody(NoteWidget *note) { return bodyOf(note, QPoint(3, 100)); }
    QString storedSkin() const { return TabStoreFile::load(QStringLiteral("tab.dat")).data.skinPath; }

    QTemporaryDir *work = nullptr;
    QString previousDir;
    Dialog *window = nullptr;
    const QColor red{220, 30, 30};
    const QColor blue{30, 60, 220};
};

void TestSkinChange::init()
{
    previousDir = QDir::currentPath();
    work = new QTemporaryDir;
    QDir::setCurrent(work->path());
    QFile index(QStringLiteral("index.dat"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("<p>home</p>");
    index.close();
    QVERIFY(QDir().mkpath(QStringLiteral("skin")));
    for (const auto &[name, colour] : {std::pair{QStringLiteral("red.png"), red}, std::pair{QStringLiteral("blue.png"), blue}}) {
        QImage image(900, 700, QImage::Format_RGB32);
        image.fill(colour);
        QVERIFY(image.save(QStringLiteral("skin/") + name));
    }
    QFile list(QStringLiteral("skin/skin.cfg"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("red.png/blue.png/\n");
    list.close();
    QVERIFY(startWindow());
}

void TestSkinChange::cleanup()
{
    delete window; // its notebook deletes the notes
    window = nullptr;
    QDir::setCurrent(previousDir);
    delete work;
    work = nullptr;
}

Dialog *TestSkinChange::startWindow()
{
    window = new Dialog(std::make_unique<XdgAutoStartEntry>(work->path() + QLatin1String("/config")));
    window->move(300, 200);
    window->show();
    return QTest::qWaitForWindowExposed(window) ? window : nullptr;
}

bool TestSkinChange::chooseSkin(int index)
{
    auto ran = ModalDialogs::whenShown<SkinDialog>([index](SkinDialog *chooser) {
        if (index >= 0)
            chooser->findChild<QComboBox *>(QStringLiteral("skinCombo"))->setCurrentIndex(index);
        chooser->findChild<QToolButton *>(index >= 0 ? QStringLiteral("okButton") : QStringLiteral("cancelButton"))->click();
    });
    window->findChild<QToolButton *>(QStringLiteral("skinButton"))->click();
    return *ran;
}

NoteWidget *TestSkinChange::stickNewTab(const QString &name, bool fixed)
{
    Notebook *notebook = window->notes();
    notebook->addTab(name);
    if (fixed)
        notebook->fixCurrent();
    const qsizetype before = notebook->noteList().size();
    window->findChild<QToolButton *>(QStringLiteral("stickButton"))->click();
    if (notebook->noteList().size() != before + 1)
        return nullptr;
    NoteWidget *note = notebook->noteList().constLast();
    return QTest::qWaitForWindowExposed(note) ? note : nullptr;
}

void TestSkinChange::chosenSkinDressesWindowAndNotes()
{
    NoteWidget *before = stickNewTab(QStringLiteral("before"));
    QVERIFY(before);
    QVERIFY(windowBody() != blue);
    QVERIFY(noteBody(before) != blue);

    QTest::ignoreMessage(QtDebugMsg, "\"./skin/blue.png\"");
    QVERIFY(chooseSkin(1));
    QCOMPARE(windowBody(), blue);
    QCOMPARE(noteBody(before), blue);
    NoteWidget *after = stickNewTab(QStringLiteral("after"));
    QVERIFY(after);
    QCOMPARE(noteBody(after), blue);
    // The change is saved without waiting for quit.
    QTRY_COMPARE_WITH_TIMEOUT(storedSkin(), QStringLiteral("./skin/blue.png"), 10000);
}

void TestSkinChange::cancelKeepsTheSkin()
{
    NoteWidget *note = stickNewTab(QStringLiteral("note"));
    QVERIFY(note);
    QTest::ignoreMessage(QtDebugMsg, "\"./skin/red.png\"");
    QVERIFY(chooseSkin(0));
    QCOMPARE(windowBody(), red);
    QVERIFY(chooseSkin(-1));
    QCOMPARE(windowBody(), red);
    QCOMPARE(noteBody(note), red);
    QTRY_COMPARE_WITH_TIMEOUT(storedSkin(), QStringLiteral("./skin/red.png"), 10000);
}

void TestSkinChange::folderEntryChangesNoPicture()
{
    NoteWidget *note = stickNewTab(QStringLiteral("note"));
    QVERIFY(note);
    QTest::ignoreMessage(QtDebugMsg, "\"./skin/red.png\"");
    QVERIFY(chooseSkin(0));
    // The empty entry after the last slash is the skin folder itself.
    QTest::ignoreMessage(QtDebugMsg, "\"./skin/\"");
    QVERIFY(chooseSkin(2));
    QCOMPARE(windowBody(), red);
    QCOMPARE(noteBody(note), red);
}

void TestSkinChange::restartShowsTheSkinAgain()
{
    QTest::ignoreMessage(QtDebugMsg, "\"./skin/blue.png\"");
    QVERIFY(chooseSkin(1));
    QVERIFY(stickNewTab(QStringLiteral("kept"), true));
    QCOMPARE(window->saveNotebook(), QString());
    delete window;
    window = nullptr;

    QVERIFY(startWindow());
    QCOMPARE(windowBody(), blue);
    const QList<NoteWidget *> restored = window->notes()->noteList();
    QCOMPARE(restored.size(), 1);
    QCOMPARE(restored.first()->getTitle(), QStringLiteral("kept"));
    QVERIFY(QTest::qWaitForWindowExposed(restored.first()));
    QCOMPARE(noteBody(restored.first()), blue);
}

QTEST_MAIN(TestSkinChange)
#include "tst_skinchange.moc"
