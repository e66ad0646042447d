#include "notebook.h"
#include "notefile.h"
#include "notefileactions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextEdit>
#include <QStandardPaths>
#include <QtTest>

#include <sys/stat.h>

// Opening and saving note files against a real notebook, with the file
// dialogs replaced by given answers.
class TestNoteFileActions : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void saveAppliesSuffixRule_data();
    void saveAppliesSuffixRule();
    void openedTxtIsSavedBesideIt();
    void openNamesTabByBaseName_data();
    void openNamesTabByBaseName();
    void savedNoteOpensWithSameHtml();
    void plainTextOpensLineForLine();
    void refusesWhatCannotOpenInTime_data();
    void refusesWhatCannotOpenInTime();
    void namesFilesByKindAndNote_data();
    void namesFilesByKindAndNote();
    void openingTwiceGivesTwoTabs();
    void openRefusals_data();
    void openRefusals();
    void saveRefusals_data();
    void saveRefusals();
    void fullDiskKeepsOldFile();

private:
    QTextEdit *addNote(const QString &html);
    void answerOpen(const QString &path);
    void answerSave(const QString &path);
    static QByteArray contents(const QString &path);
    static void writeFile(const QString &path, const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QTabWidget> tabs;
    QTextEdit *home = nullptr;
    std::unique_ptr<Notebook> notebook;
    std::unique_ptr<NoteFileActions> actions;
    QIcon pin;
    QIcon unpin;
    int saveAsked = 0;
};

void TestNoteFileActions::init()
{
    dir = std::make_unique<QTemporaryDir>();
    tabs = std::make_unique<QTabWidget>();
    home = new QTextEdit;
    tabs->addTab(home, QStringLiteral("home"));
    pin = QIcon(QPixmap(4, 4));
    unpin = QIcon(QPixmap(5, 5));
    notebook = std::make_unique<Notebook>(tabs.get(), home, pin, unpin);
    actions = std::make_unique<NoteFileActions>(notebook.get(), tabs.get(), nullptr);
    saveAsked = 0;
    actions->setOpenChooser([](QWidget *) {
        qFatal("unexpected open dialog");
        return QString();
    });
    answerSave(QString());
}

void TestNoteFileActions::cleanup()
{
    actions.reset();
    notebook.reset();
    tabs.reset();
    dir.reset();
}

QTextEdit *TestNoteFileActions::addNote(const QString &html)
{
    notebook->addTab(QStringLiteral("note"));
    QTextEdit *editor = notebook->currentEditor();
    editor->setHtml(html);
    return editor;
}

void TestNoteFileActions::answerOpen(const QString &path)
{
    actions->setOpenChooser([path](QWidget *) { return path; });
}

void TestNoteFileActions::answerSave(const QString &path)
{
    actions->setSaveChooser([this, path](QWidget *) {
        ++saveAsked;
        return path;
    });
}

QByteArray TestNoteFileActions::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestNoteFileActions::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestNoteFileActions::saveAppliesSuffixRule_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no suffix") << "memo" << "memo.not";
    QTest::newRow(".not") << "memo.not" << "memo.not";
    QTest::newRow("capital .NOT") << "memo.NOT" << "memo.NOT.not";
    QTest::newRow(".txt") << "memo.txt" << "memo.txt.not";
    QTest::newRow("two dots") << "report.2024.not" << "report.2024.not";
    QTest::newRow("dot in folder only") << "sub.d/memo" << "sub.d/memo.not";
    QTest::newRow("trailing dot") << "memo." << "memo..not";
    QTest::newRow("suffix only") << ".not" << ".not";
}

void TestNoteFileActions::saveAppliesSuffixRule()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QDir(dir->path()).mkpath(QStringLiteral("sub.d"));
    QTextEdit *editor = addNote(QStringLiteral("<p>hello <b>note</b></p>"));
    const QString path = dir->filePath(chosen);
    answerSave(path);
    QCOMPARE(actions->save(), QStringLiteral("已保存便签内容"));
    const QString target = dir->filePath(written);
    QCOMPARE(contents(target), editor->toHtml().toUtf8());
    QCOMPARE(notebook->noteFile(editor), target);
    if (target != path)
        QVERIFY(!QFile::exists(path));
    // Nothing else appeared: no temporary file left behind.
    const QStringList files = QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, QStringList{QFileInfo(target).fileName()});
}

void TestNoteFileActions::openedTxtIsSavedBesideIt()
{
    const QString plan = dir->filePath(QStringLiteral("plan.txt"));
    writeFile(plan, "<p>the plan</p>");
    answerOpen(plan);
    const NoteFileActions::Opened opened = actions->open();
    QVERIFY(opened.message.isEmpty());
    QVERIFY(opened.editor);
    QCOMPARE(notebook->noteFile(opened.editor), plan);
    opened.editor->moveCursor(QTextCursor::End);
    opened.editor->insertPlainText(QStringLiteral(" changed"));

    QCOMPARE(actions->save(), QStringLiteral("已保存便签内容"));
    QCOMPARE(saveAsked, 0);
    QCOMPARE(contents(plan), QByteArray("<p>the plan</p>"));
    QVERIFY(contents(plan + QLatin1String(".not")).contains("the plan changed"));
    QCOMPARE(notebook->noteFile(opened.editor), plan + QLatin1String(".not"));
}

void TestNoteFileActions::openNamesTabByBaseName_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::newRow("two dots") << "report.2024.not" << "report";
    QTest::newRow(".txt") << "plan.txt" << "plan";
    QTest::newRow("no suffix") << "notes" << "notes";
    QTest::newRow("Chinese name") << "会议.not" << "会议";
}

void TestNoteFileActions::openNamesTabByBaseName()
{
    QFETCH(QString, file);
    QFETCH(QString, title);
    const QString path = dir->filePath(file);
    writeFile(path, "<p><b>bold</b> start</p>");
    answerOpen(path);
    const NoteFileActions::Opened opened = actions->open();
    QVERIFY(opened.editor);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentWidget(), opened.editor);
    QCOMPARE(tabs->tabText(1), title);
    QCOMPARE(tabs->tabIcon(1).cacheKey(), unpin.cacheKey());
    QVERIFY(!notebook->isFixed(opened.editor));
    QVERIFY(opened.editor->acceptRichText());
    QCOMPARE(opened.editor->toPlainText(), QStringLiteral("bold start"));
    QCOMPARE(opened.editor->textCursor().position(), 0);
    QCOMPARE(notebook->noteFile(opened.editor), path);
}

namespace {
/// What the reader sees: each paragraph's text and alignment, the fonts its
/// glyphs are drawn with, and the formats of its pieces.
QStringList looks(QTextEdit *editor)
{
    QTextDocument *doc = editor->document();
    doc->setTextWidth(600);
    doc->size(); // lays the whole document out
    QStringList result;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        result << QStringLiteral("paragraph a%1 %2").arg(int(block.blockFormat().alignment())).arg(block.text());
        const QTextLayout *layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            for (const QGlyphRun &run : layout->lineAt(i).glyphRuns()) {
                const QRawFont font = run.rawFont();
                result << QStringLiteral("glyphs %1 %2px w%3 s%4 n%5")
                              .arg(font.familyName())
                              .arg(font.pixelSize())
                              .arg(font.weight())
                              .arg(int(font.style()))
                              .arg(run.glyphIndexes().size());
            }
        }
        for (const QTextLayout::FormatRange &range : block.textFormats()) {
            result << QStringLiteral("piece %1+%2 u%3 %4 %5")
                          .arg(range.start)
                          .arg(range.length)
                          .arg(range.format.fontUnderline())
                          .arg(range.format.foreground().color().name(), range.format.background().color().name());
        }
    }
    return result;
}
}

void TestNoteFileActions::savedNoteOpensWithSameHtml()
{
    QTextEdit *editor = addNote(QStringLiteral(
        "<h2 align=center>标题</h2><p><b>粗体</b> <i>italic</i> <u>under</u> "
        "<span style=\"color:#ff0000;background-color:#00ff00;font-size:20pt\">coloured</span></p>"
        "<ul><li>one</li><li>two</li></ul>"
        "<table border=1><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>中</td></tr></table>"));
    answerSave(dir->filePath(QStringLiteral("round")));
    QCOMPARE(actions->save(), QStringLiteral("已保存便签内容"));
    QCOMPARE(contents(dir->filePath(QStringLiteral("round.not"))), editor->toHtml().toUtf8());
    answerOpen(dir->filePath(QStringLiteral("round.not")));
    QTextEdit *opened = actions->open().editor;
    QVERIFY(opened);
    // The same note, letter for letter, glyph for glyph.
    QCOMPARE(looks(opened), looks(editor));
    QCOMPARE(opened->document()->rootFrame()->childFrames().size(), 1);

    // From then on saving (to the bound file) and opening change nothing at all.
    QCOMPARE(actions->save(), QStringLiteral("已保存便签内容"));
    QCOMPARE(saveAsked, 1);
    QCOMPARE(contents(dir->filePath(QStringLiteral("round.not"))), opened->toHtml().toUtf8());
    QTextEdit *reopened = actions->open().editor;
    QVERIFY(reopened);
    QCOMPARE(reopened->toHtml(), opened->toHtml());
}

void TestNoteFileActions::plainTextOpensLineForLine()
{
    // Megabytes of short lines and one paragraph as long as a note may hold:
    // plain text keeps every line and every space, whatever its size.
    QByteArray bytes = "line one\r\nline  two <b>not bold</b>\n中文\n";
    while (bytes.size() < 2 * 1024 * 1024)
        bytes += "buy milk, fix the bike, call Anna 今天\n";
    QByteArray paragraph;
    while (paragraph.size() < NoteFile::MaxParagraphChars)
        paragraph += "longest paragraph ";
    bytes += paragraph.left(NoteFile::MaxParagraphChars);
    const QString path = dir->filePath(QStringLiteral("plain.txt"));
    writeFile(path, bytes);
    answerOpen(path);
    const NoteFileActions::Opened opened = actions->open();
    QVERIFY(opened.message.isEmpty());
    QVERIFY(opened.editor);
    QCOMPARE(opened.editor->toPlainText(), QString::fromUtf8(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    // Its many short lines share paragraphs; the long one stays a paragraph of its own.
    QCOMPARE(opened.editor->document()->lastBlock().text(), QString::fromUtf8(paragraph.left(NoteFile::MaxParagraphChars)));
    QCOMPARE(contents(path), bytes);
}

void TestNoteFileActions::refusesWhatCannotOpenInTime_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // empty: a sparse file one byte over the size limit
    QTest::addColumn<QString>("told");     // what the message must mention
    QTest::newRow("over the size limit") << "big.txt" << QByteArray()
                                         << QString::number((NoteFile::MaxBytes + 1) / (1024.0 * 1024), 'f', 1);
    QTest::newRow("one line too long") << "line.txt" << QByteArray(NoteFile::MaxParagraphChars + 1, 'y')
                                       << QString::number(NoteFile::MaxParagraphChars + 1);
    QTest::newRow("HTML paragraph too long")
        << "para.not" << "<html><body><p>" + QByteArray(NoteFile::MaxParagraphChars + 1, 'z') + "</p></body></html>"
        << QString::number(NoteFile::MaxParagraphChars + 1);
    QTest::newRow("too many lines") << "lines.txt" << QByteArray(NoteFile::MaxLines, '\n')
                                    << QString::number(NoteFile::MaxLines + 1);
    QTest::newRow("word too long") << "word.txt" << "short line\n" + QByteArray(NoteFile::MaxWordChars + 1, 'w')
                                   << QString::number(NoteFile::MaxWordChars + 1);
    QTest::newRow("too many format changes")
        << "tags.not" << "<html><body><p>" + QByteArray("<b>a</b> ").repeated(NoteFile::MaxParagraphTags / 2 + 1) + "</p>"
        << QString::number(NoteFile::MaxParagraphTags + 2);
}

void TestNoteFileActions::refusesWhatCannotOpenInTime()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    const QString path = dir->filePath(name);
    if (bytes.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(NoteFile::MaxBytes + 1));
    } else {
        writeFile(path, bytes);
    }
    answerOpen(path);
    const NoteFileActions::Opened opened = actions->open();
    QVERIFY2(opened.message.contains(told), qPrintable(opened.message));
    QCOMPARE(opened.editor, nullptr);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{name});
    if (bytes.isEmpty())
        QCOMPARE(QFileInfo(path).size(), NoteFile::MaxBytes + 1);
    else
        QCOMPARE(contents(path), bytes);
}

void TestNoteFileActions::openingTwiceGivesTwoTabs()
{
    const QString path = dir->filePath(QStringLiteral("same.not"));
    writeFile(path, "<p>same</p>");
    answerOpen(path);
    QTextEdit *first = actions->open().editor;
    QTextEdit *second = actions->open().editor;
    QVERIFY(first && second && first != second);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(notebook->noteFile(first), path);
    QCOMPARE(notebook->noteFile(second), path);
}

void TestNoteFileActions::openRefusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("dialog cancelled") << "cancel" << "没有选择文件";
    QTest::newRow("missing file") << "missing" << "无法打开该文件";
    QTest::newRow("folder") << "folder" << "无法打开该文件";
    QTest::newRow("binary file") << "binary" << "无法打开该文件";
    QTest::newRow("named pipe") << "fifo" << "无法打开该文件";
    QTest::newRow("device") << "device" << "无法打开该文件";
}

void TestNoteFileActions::openRefusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QString path = dir->filePath(kind);
    if (kind == QLatin1String("cancel")) {
        path.clear();
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir->path()).mkdir(kind));
    } else if (kind == QLatin1String("binary")) {
        static const char bytes[] = "<p>\x89PNG\0\0\x01 binary";
        writeFile(path, QByteArray(bytes, sizeof bytes - 1));
    } else if (kind == QLatin1String("fifo")) {
        // Opening a pipe nobody writes to would block for ever.
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("device")) {
        path = QStringLiteral("/dev/zero");
    }
    answerOpen(path);
    const NoteFileActions::Opened opened = actions->open();
    QCOMPARE(opened.message, message);
    QCOMPARE(opened.editor, nullptr);
    QCOMPARE(tabs->count(), 1);
}

void TestNoteFileActions::saveRefusals_data()
{
    QTest::addColumn<QString>("chosen"); // relative to the scratch folder; empty: cancelled
    QTest::addColumn<QString>("message");
    QTest::newRow("dialog cancelled") << "" << "未选择文件";
    QTest::newRow("missing folder") << "nowhere/memo" << "保存文件出错";
    QTest::newRow("a folder of that name") << "taken.not" << "保存文件出错";
}

void TestNoteFileActions::saveRefusals()
{
    QFETCH(QString, chosen);
    QFETCH(QString, message);
    QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("taken.not")));
    QTextEdit *editor = addNote(QStringLiteral("<p>text</p>"));
    answerSave(chosen.isEmpty() ? QString() : dir->filePath(chosen));
    QCOMPARE(actions->save(), message);
    QCOMPARE(notebook->noteFile(editor), QString());
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    // Still unbound: the next save asks again.
    actions->save();
    QCOMPARE(saveAsked, 2);
}

namespace {
/// A small tmpfs mounted on a folder for the life of the object.
struct SmallDisk
{
    explicit SmallDisk(const QString &at)
        : path(at)
    {
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=16k"), QStringLiteral("tmpfs"), path});
        mounted = mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit
            && mount.exitCode() == 0;
        error = QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
    }
    ~SmallDisk()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {path});
    }
    QString path;
    QString error;
    bool mounted = false;
};
}

void TestNoteFileActions::fullDiskKeepsOldFile()
{
    const QString folder = dir->filePath(QStringLiteral("disk"));
    QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("disk")));
    SmallDisk disk(folder);
    if (!disk.mounted)
        QSKIP(qPrintable(QStringLiteral("cannot mount a small tmpfs here (%1)").arg(disk.error)));

    // A note saved there once, small enough to fit.
    QTextEdit *editor = addNote(QStringLiteral("<p>old note</p>"));
    answerSave(folder + QLatin1String("/memo.not"));
    QCOMPARE(actions->save(), QStringLiteral("已保存便签内容"));
    const QByteArray old = contents(folder + QLatin1String("/memo.not"));
    QVERIFY(old.contains("old note"));

    // Now far larger than the disk: the file opens, the writing fails.
    editor->setPlainText(QString(200 * 1024, QLatin1Char('x')));
    QCOMPARE(actions->save(), QStringLiteral("保存文件出错"));
    QCOMPARE(contents(folder + QLatin1String("/memo.not")), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("memo.not")});
    QCOMPARE(notebook->noteFile(editor), folder + QLatin1String("/memo.not"));

    // A new note whose first save fails stays unbound.
    QTextEdit *other = addNote(QStringLiteral("<p>y</p>"));
    other->setPlainText(QString(200 * 1024, QLatin1Char('y')));
    answerSave(folder + QLatin1String("/other"));
    QCOMPARE(actions->save(), QStringLiteral("保存文件出错"));
    QCOMPARE(notebook->noteFile(other), QString());
    QVERIFY(!QFile::exists(folder + QLatin1String("/other.not")));
}

void TestNoteFileActions::namesFilesByKindAndNote_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("noteFile"); // opens as a note when dropped
    QTest::addColumn<QString>("noteName");
    QTest::addColumn<QString>("saveName"); // the file the save dialog proposes for noteName

    QTest::newRow("note") << "/a/plan.not" << true << "Plan" << "Plan.not";
    QTest::newRow("text, upper case") << "/a/PLAN.TXT" << true << "会议 记录" << "会议 记录.not";
    QTest::newRow("html and htm") << "/a/page.htm" << true << "a/b" << "a_b.not";
    QTest::newRow("picture") << "/a/photo.png" << false << "  " << "便签.not";
    QTest::newRow("no suffix") << "/a/notes" << false << ".." << "便签.not";
    QTest::newRow("suffix only in the folder") << "/a.txt/photo" << false << " Plan " << "Plan.not";
}

void TestNoteFileActions::namesFilesByKindAndNote()
{
    QFETCH(QString, path);
    QFETCH(bool, noteFile);
    QFETCH(QString, noteName);
    QFETCH(QString, saveName);
    QCOMPARE(NoteFileActions::isNoteFileName(path), noteFile);

    // The documents folder when the user has one, else home.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    QCOMPARE(NoteFileActions::suggestedSavePath(noteName), QDir(folder).filePath(saveName));
}

QTEST_MAIN(TestNoteFileActions)
#include "tst_notefileactions.moc"
