#include "noteeditor.h"
#include "notefile.h"
#include "pictureloader.h"
#include "picturestore.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImageWriter>
#include <QMimeData>
#include <QSignalSpy>
#include <QTextDocument>
#include <QtEndian>
#include <QtTest>

namespace {
QImage pattern(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x + y) % 256));
    }
    return image;
}

QByteArray png(const QImage &image)
{
    QString error;
    const QByteArray bytes = PictureLoader::encode(image, &error);
    if (bytes.isEmpty())
        qWarning() << error;
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

quint32 crc32(const char *data, int length)
{
    quint32 crc = 0xffffffffu;
    for (int i = 0; i < length; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

/// A PNG whose header claims size while its pixels are those of a tiny
/// picture: whoever decodes it instead of reading the header first gets
/// "damaged", not the size refusal.
QByteArray headerClaiming(QSize size)
{
    QByteArray bytes = png(pattern(QSize(4, 4)));
    qToBigEndian<quint32>(quint32(size.width()), bytes.data() + 16);
    qToBigEndian<quint32>(quint32(size.height()), bytes.data() + 20);
    // The header chunk's checksum covers its type and data.
    qToBigEndian<quint32>(crc32(bytes.constData() + 12, 17), bytes.data() + 29);
    return bytes;
}
}

class TestPictureStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readsOrRefuses_data();
    void readsOrRefuses();
    void samePictureFromTwoNotesIsStoredOnce();
    void storeRefusesALinkInItsPlace();
    void noteFileOutsideTheNotebookCarriesItsPictures();
    void editorShowsWidePictureAtTheNoteWidthAndDecodesAtThatSize();
    void editorPastesAnImageAndToldOfAMissingOne();
    void editorDecodesALargePictureAsideAndShowsOneThatArrives();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPictureStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestPictureStore::readsOrRefuses_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("name");
    // Empty: read; otherwise a word the error must hold besides the name.
    QTest::addColumn<QString>("refusal");
    const QString valid = QStringLiteral("pictures/") + QString(64, QLatin1Char('a')) + QStringLiteral(".png");
    QTest::newRow("stored picture") << "stored" << QString() << QString();
    QTest::newRow("missing file") << "none" << valid << QStringLiteral("不存在");
    QTest::newRow("damaged file") << "damaged" << valid << QStringLiteral("损坏");
    QTest::newRow("name escaping the folder") << "outside" << QStringLiteral("pictures/../../secret.png")
                                              << QStringLiteral("不是本笔记本的图片");
    QTest::newRow("upper-case hash") << "none" << valid.toUpper().replace(QLatin1String("PICTURES"), "pictures")
                                     << QStringLiteral("不是本笔记本的图片");
    QTest::newRow("symbolic link") << "link" << valid << QStringLiteral("链接");
    QTest::newRow("a folder, not a file") << "folder" << valid << QStringLiteral("不是普通文件");
    QTest::newRow("200 megapixels") << "huge" << valid << QStringLiteral("百万像素");
}

void TestPictureStore::readsOrRefuses()
{
    QFETCH(QString, setup);
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    const QDir notebook(m_dir->filePath(QStringLiteral("notebook")));
    QVERIFY(QDir().mkpath(notebook.filePath(QStringLiteral("pictures"))));
    const PictureStore store(notebook.path());
    const QImage image = pattern(QSize(40, 30));
    const QString target = notebook.filePath(name);
    if (setup == QLatin1String("stored")) {
        const PictureStore::Result stored = store.store(png(image));
        QVERIFY2(stored.ok(), qPrintable(stored.error));
        name = stored.name;
    } else if (setup == QLatin1String("damaged")) {
        QVERIFY(writeFile(target, png(image).left(60)));
    } else if (setup == QLatin1String("outside")) {
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("secret.png")), png(image)));
    } else if (setup == QLatin1String("link")) {
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("elsewhere.png")), png(image)));
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("elsewhere.png")), target));
    } else if (setup == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(target));
    } else if (setup == QLatin1String("huge")) {
        QVERIFY(writeFile(target, headerClaiming(QSize(20000, 10001))));
    }

    const PictureStore::Result found = store.locate(name);
    PictureLoader::Loaded loaded;
    if (found.ok())
        loaded = PictureLoader::load(found.name);
    const QString error = found.ok() ? loaded.error : found.error;
    if (refusal.isEmpty()) {
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(loaded.image.convertToFormat(QImage::Format_RGB32), image);
        return;
    }
    QVERIFY(loaded.image.isNull());
    QVERIFY2(error.contains(refusal), qPrintable(error));
    // The message names the file, so the user knows which picture is lost.
    QVERIFY2(error.contains(QFileInfo(name).fileName()), qPrintable(error));
}

void TestPictureStore::samePictureFromTwoNotesIsStoredOnce()
{
    const PictureStore store(m_dir->path());
    const QByteArray bytes = png(pattern(QSize(20, 10)));
    const PictureStore::Result first = store.store(bytes);
    const PictureStore::Result second = store.store(bytes);
    const PictureStore::Result other = store.store(png(pattern(QSize(10, 20))));
    QVERIFY(first.ok() && second.ok() && other.ok());
    QCOMPARE(second.name, first.name);
    QVERIFY(other.name != first.name);
    QVERIFY(PictureStore::isPictureName(first.name));
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("pictures"))).entryList(QDir::Files).size(), 2);
    QFile file(m_dir->filePath(first.name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void TestPictureStore::storeRefusesALinkInItsPlace()
{
    const PictureStore store(m_dir->path());
    const QByteArray bytes = png(pattern(QSize(20, 10)));
    const QString elsewhere = m_dir->filePath(QStringLiteral("elsewhere.txt"));
    QVERIFY(writeFile(elsewhere, "keep me"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("pictures")));
    QVERIFY(QFile::link(elsewhere, m_dir->filePath(PictureStore::nameFor(bytes))));
    const PictureStore::Result stored = store.store(bytes);
    QVERIFY(!stored.ok());
    QVERIFY2(stored.error.contains(PictureStore::nameFor(bytes).mid(9)), qPrintable(stored.error));
    QFile kept(elsewhere);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
}

void TestPictureStore::noteFileOutsideTheNotebookCarriesItsPictures()
{
    const QString notebook = m_dir->filePath(QStringLiteral("notebook"));
    QVERIFY(QDir().mkpath(notebook + QStringLiteral("/notes")));
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(notebook));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
    const QByteArray bytes = png(pattern(QSize(30, 20)));
    const PictureStore::Result stored = PictureStore(notebook).store(bytes);
    QVERIFY(stored.ok());
    const QString html = QStringLiteral("<p>a <img src=\"%1\" width=\"30\" height=\"20\" /> b</p>").arg(stored.name);

    // In the notebook folder (a synced note): the name, no data.
    const QString inside = notebook + QStringLiteral("/notes/n.not");
    QVERIFY(NoteFile::write(inside, html).isEmpty());
    QCOMPARE(NoteFile::read(inside).text, html);

    // Elsewhere: the picture itself, and read into another notebook it is
    // stored there under the same name, byte for byte.
    const QString outside = m_dir->filePath(QStringLiteral("mine.not"));
    QVERIFY(NoteFile::write(outside, html).isEmpty());
    const QString carried = NoteFile::read(outside).text;
    QVERIFY(carried.contains(QLatin1String("data:image/png;base64,")));
    QVERIFY(!carried.contains(stored.name));
    const QString other = m_dir->filePath(QStringLiteral("other"));
    QStringList problems;
    QCOMPARE(PictureStore(other).adopt(carried, &problems), html);
    QVERIFY(problems.isEmpty());
    QFile file(QDir(other).filePath(stored.name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void TestPictureStore::editorShowsWidePictureAtTheNoteWidthAndDecodesAtThatSize()
{
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
    const QImage wide = pattern(QSize(1200, 600));
    NoteEditor editor;
    editor.resize(400, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(editor.insertPicture(wide));
    const QTextCursor picture = editor.pictureAt(0);
    QVERIFY(!picture.isNull());
    QTextImageFormat format = picture.charFormat().toImageFormat();
    QVERIFY2(format.width() <= editor.viewport()->width() && format.width() >= 300, qPrintable(QString::number(format.width())));
    QCOMPARE(qRound(format.height()), qRound(format.width() / 2));

    // 25 % of the picture, and back to fit.
    editor.zoomPicture(picture, NoteEditor::Zoom::Quarter);
    format = editor.pictureAt(0).charFormat().toImageFormat();
    QCOMPARE(QSizeF(format.width(), format.height()), QSizeF(300, 150));
    editor.zoomPicture(editor.pictureAt(0), NoteEditor::Zoom::Full);
    QCOMPARE(editor.pictureAt(0).charFormat().toImageFormat().width(), 1200.0);
    editor.zoomPicture(editor.pictureAt(0), NoteEditor::Zoom::Fit);
    format = editor.pictureAt(0).charFormat().toImageFormat();
    QVERIFY(format.width() < 400);
    QCOMPARE(editor.fullPicture(editor.pictureAt(0)).convertToFormat(QImage::Format_RGB32), wide);

    // The note read again (a restart): the picture is decoded at the size
    // it is shown, not kept whole.
    NoteEditor again;
    again.resize(400, 300);
    again.setHtml(editor.toHtml());
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    again.grab();
    const QPixmap held = again.document()->resource(QTextDocument::ImageResource, QUrl(format.name())).value<QPixmap>();
    QCOMPARE(held.size(), QSize(qCeil(format.width()), qCeil(format.height())));
}

void TestPictureStore::editorPastesAnImageAndToldOfAMissingOne()
{
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
    NoteEditor editor;
    editor.resize(400, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));

    // An image alone on the clipboard: Paste is offered and gives a picture.
    const QImage image = pattern(QSize(50, 40));
    auto *data = new QMimeData;
    data->setImageData(image);
    QApplication::clipboard()->setMimeData(data);
    QVERIFY(editor.canPaste());
    editor.paste();
    const QTextCursor picture = editor.pictureAt(0);
    QVERIFY(!picture.isNull());
    const QString name = picture.charFormat().toImageFormat().name();
    QVERIFY(PictureStore::isPictureName(name));
    QCOMPARE(PictureLoader::load(m_dir->filePath(name)).image.convertToFormat(QImage::Format_RGB32), image);

    // Text copied with a picture of it (a spreadsheet's cells) is text.
    auto *cells = new QMimeData;
    cells->setImageData(image);
    cells->setText(QStringLiteral("a\tb"));
    QApplication::clipboard()->setMimeData(cells);
    editor.paste();
    QVERIFY(editor.toPlainText().endsWith(QLatin1String("a\tb")));
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("pictures"))).entryList(QDir::Files).size(), 1);

    // A picture file, as a file manager offers it when dragged or copied.
    const QString file = m_dir->filePath(QStringLiteral("dropped.png"));
    const QImage dropped = pattern(QSize(30, 60));
    QVERIFY(writeFile(file, png(dropped)));
    auto *files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(file)});
    QApplication::clipboard()->setMimeData(files);
    QVERIFY(editor.canPaste());
    editor.paste();
    const QTextCursor second = editor.pictureAt(editor.document()->characterCount() - 2);
    QVERIFY(!second.isNull());
    QCOMPARE(editor.fullPicture(second).convertToFormat(QImage::Format_RGB32), dropped);
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("pictures"))).entryList(QDir::Files).size(), 2);

    // A picture that is gone: a placeholder, one message naming it, the text kept.
    NoteEditor broken;
    QSignalSpy problems(&broken, &NoteEditor::pictureProblem);
    const QString missing = QStringLiteral("pictures/") + QString(64, QLatin1Char('b')) + QStringLiteral(".png");
    broken.setHtml(QStringLiteral("<p>before <img src=\"%1\" width=\"20\" height=\"10\" /> after</p>").arg(missing));
    broken.resize(300, 200);
    broken.show();
    QVERIFY(QTest::qWaitForWindowExposed(&broken));
    broken.grab();
    QTRY_COMPARE(problems.count(), 1);
    QVERIFY(problems.at(0).at(0).toString().contains(QString(64, QLatin1Char('b'))));
    const QPixmap shown = broken.document()->resource(QTextDocument::ImageResource, QUrl(missing)).value<QPixmap>();
    QCOMPARE(shown.size(), QSize(20, 10));
    broken.grab();
    QCoreApplication::processEvents();
    QCOMPARE(problems.count(), 1);
    QCOMPARE(broken.toPlainText(), QStringLiteral("before \uFFFC after"));
}

void TestPictureStore::editorDecodesALargePictureAsideAndShowsOneThatArrives()
{
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
    const PictureStore::Result large = PictureStore(m_dir->path()).store(png(pattern(QSize(1600, 900))));
    QVERIFY2(large.ok(), qPrintable(large.error));
    const QByteArray later = png(pattern(QSize(40, 20)));
    NoteEditor editor;
    editor.resize(500, 400);
    editor.setHtml(QStringLiteral("<p><img src=\"%1\" width=\"400\" height=\"225\" /> "
                                  "<img src=\"%2\" width=\"40\" height=\"20\" /></p>")
                       .arg(large.name, PictureStore::nameFor(later)));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    const auto held = [&editor](const QString &name) {
        return editor.document()->resource(QTextDocument::ImageResource, QUrl(name)).value<QPixmap>().toImage()
            .convertToFormat(QImage::Format_RGB32);
    };

    // The paint does not wait for the large one: a plain box until the
    // thread pool has decoded it, at the size shown.
    editor.grab();
    QCOMPARE(held(large.name), PictureLoader::pending(QSize(400, 225)));
    const QImage decoded = PictureLoader::load(m_dir->filePath(large.name), QSize(400, 225)).image;
    QCOMPARE(decoded.size(), QSize(400, 225));
    QTRY_COMPARE(held(large.name), decoded.convertToFormat(QImage::Format_RGB32));

    // Not there yet (a synced note before its picture): shown once it comes.
    QCOMPARE(held(PictureStore::nameFor(later)), PictureLoader::placeholder(QSize(40, 20)));
    QVERIFY(PictureStore(m_dir->path()).store(later).ok());
    QTRY_COMPARE(held(PictureStore::nameFor(later)), pattern(QSize(40, 20)));
}

QTEST_MAIN(TestPictureStore)
#include "tst_picturestore.moc"
