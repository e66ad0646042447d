#include "noteeditor.h"

#include "pictureloader.h"
#include "picturestore.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QSaveFile>
#include <QTextBlock>
#include <QTimer>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <QtMath>

namespace {
/// Pictures with more pixels than this are decoded off the GUI thread (a
/// full-screen capture is; a small screenshot is quicker to decode at once
/// than to show twice).
constexpr qint64 DecodeLaterPixels = 1'000'000;

PictureStore notebookStore()
{
    // The notebook folder is the program's working directory.
    return PictureStore(QDir::currentPath());
}

/// The pool that decodes pictures: one thread, so that decoding never takes
/// more than one core from the window. The application owns it and waits for
/// it at the end; the decoded pictures are handed over through it.
QThreadPool *decodePool()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(qApp);
        pool->setMaxThreadCount(1);
    }
    return pool;
}

/// The picture's size from its file's header, without decoding it.
QSize headerSize(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? PictureStore::pngSize(file.read(24)) : QSize();
}

/// One watcher for every note: tells when files come into the notebook's
/// pictures/ folder (or the folder itself comes).
QFileSystemWatcher *pictureFolderWatch()
{
    static QPointer<QFileSystemWatcher> watch;
    if (!watch)
        watch = new QFileSystemWatcher(qApp);
    const QString folder = QDir::currentPath();
    const QString pictures = QDir(folder).absoluteFilePath(QStringLiteral("pictures"));
    for (const QString &path : {folder, pictures}) {
        if (QFileInfo(path).isDir() && !watch->directories().contains(path))
            watch->addPath(path);
    }
    return watch;
}

/// Local files among the URLs that Qt can read as pictures.

/// An image with no text of its own beside it (a browser's "copy image"
/// also offers an <img> tag): the picture is what was copied.
bool isPictureOnly(const QMimeData *source)
{
    if (!source->hasImage())
        return false;
    if (source->hasHtml()) {
        const QString text = QTextDocumentFragment::fromHtml(source->html()).toPlainText();
        return QString(text).remove(QChar::ObjectReplacementCharacter).trimmed().isEmpty();
    }
    return !source->hasText() || source->text().trimmed().isEmpty();
}
}

NoteEditor::NoteEditor(QWidget *parent)
    : QTextEdit(parent)
{
}

int NoteEditor::noteWidth() const
{
    // The text's width inside the document's margins, with room for the cursor.
    return std::max(16, viewport()->width() - 2 * int(document()->documentMargin()) - 4);
}

bool NoteEditor::insertPicture(const QImage &image)
{
    if (image.isNull())
        return false;
    QString error = PictureStore::sizeRefusal(tr("（粘贴的图片）"), image.size());
    PictureStore::Result stored;
    if (error.isEmpty())
        error = store(image, &stored);
    if (!error.isEmpty()) {
        emit pictureProblem(error);
        return false;
    }
    const QSize shown = PictureLoader::fitted(image.size(), noteWidth());
    // The document holds the picture at its shown size only.
    const QImage scaled = shown == image.size()
        ? image
        : image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    document()->addResource(QTextDocument::ImageResource, QUrl(stored.name), QPixmap::fromImage(scaled));
    QTextImageFormat format;
    format.setName(stored.name);
    format.setWidth(shown.width());
    format.setHeight(shown.height());
    textCursor().insertImage(format);
    return true;
}

QString NoteEditor::store(const QImage &image, PictureStore::Result *stored)
{
    QString error;
    const QByteArray png = PictureLoader::encode(image, &error);
    if (!error.isEmpty())
        return error;
    *stored = notebookStore().store(png);
    return stored->error;
}

void NoteEditor::insertCapture(const QImage &image)
{
    if (image.isNull())
        return;
    static int captures = 0;
    const QString name = QStringLiteral("capture:%1").arg(++captures);
    m_unstored.insert(name, image);
    document()->addResource(QTextDocument::ImageResource, QUrl(name), QPixmap::fromImage(image));
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(image.width() / devicePixelRatioF());
    format.setHeight(image.height() / devicePixelRatioF());
    textCursor().insertImage(format);
    // Stored at the latest a moment from now, painted or not.
    QTimer::singleShot(1000, this, &NoteEditor::storeCaptures);
}

void NoteEditor::paintEvent(QPaintEvent *event)
{
    QTextEdit::paintEvent(event);
    // Once this paint is on the screen.
    if (!m_unstored.isEmpty() && !m_storeScheduled) {
        m_storeScheduled = true;
        QTimer::singleShot(0, this, &NoteEditor::storeCaptures);
    }
}

void NoteEditor::storeCaptures()
{
    m_storeScheduled = false;
    const QHash<QString, QImage> unstored = std::exchange(m_unstored, {});
    for (auto it = unstored.constBegin(); it != unstored.constEnd(); ++it) {
        PictureStore::Result stored;
        const QString error = store(it.value(), &stored);
        if (!error.isEmpty()) {
            emit pictureProblem(error);
            continue;
        }
        document()->addResource(QTextDocument::ImageResource, QUrl(stored.name),
                                document()->resource(QTextDocument::ImageResource, QUrl(it.key())));
        // Part of the edit that showed it: an undo takes the picture away,
        // never back to its temporary name.
        QList<std::pair<int, int>> places;
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                const QTextFragment part = fragment.fragment();
                if (part.charFormat().toImageFormat().name() == it.key())
                    places.append({part.position(), part.length()});
            }
        }
        QTextCursor cursor(document());
        cursor.joinPreviousEditBlock();
        for (const auto &[position, length] : std::as_const(places)) {
            cursor.setPosition(position);
            cursor.setPosition(position + length, QTextCursor::KeepAnchor);
            QTextImageFormat format = cursor.charFormat().toImageFormat();
            format.setName(stored.name);
            cursor.setCharFormat(format);
        }
        cursor.endEditBlock();
    }
}

bool NoteEditor::insertPictureFile(const QString &path)
{
    const PictureLoader::Loaded loaded = PictureLoader::load(path);
    if (!loaded.ok()) {
        emit pictureProblem(loaded.error);
        return false;
    }
    return insertPicture(loaded.image);
}

QTextCursor NoteEditor::pictureAt(int position) const
{
    if (position < 0 || position >= document()->characterCount())
        return QTextCursor();
    QTextCursor cursor(document());
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    if (!cursor.charFormat().isImageFormat())
        return QTextCursor();
    return cursor;
}

QTextCursor NoteEditor::pictureAt(QPoint viewportPoint) const
{
    const QPointF inDocument = viewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int position = document()->documentLayout()->hitTest(inDocument, Qt::ExactHit);
    if (position < 0)
        return QTextCursor();
    // The hit is the cursor position nearest the point: the picture lies
    // after it or before it.
    QTextCursor cursor = pictureAt(position);
    return cursor.isNull() ? pictureAt(position - 1) : cursor;
}

void NoteEditor::zoomPicture(QTextCursor cursor, Zoom zoom)
{
    if (cursor.isNull())
        return;
    QTextImageFormat format = cursor.charFormat().toImageFormat();
    const PictureStore::Result found = notebookStore().locate(format.name());
    QSize full;
    if (found.ok())
        full = QImageReader(found.name).size();
    if (!full.isValid()) {
        emit pictureProblem(found.ok() ? tr("图片 %1 已损坏或不是图片").arg(found.name) : found.error);
        return;
    }
    QSize shown;
    switch (zoom) {
    case Zoom::Quarter:
        shown = full / 4;
        break;
    case Zoom::Half:
        shown = full / 2;
        break;
    case Zoom::Full:
        shown = full;
        break;
    case Zoom::Fit:
        shown = PictureLoader::fitted(full, noteWidth());
        break;
    }
    shown = shown.expandedTo(QSize(1, 1));
    // Decoded anew at the new size before the layout asks for it.
    const PictureLoader::Loaded loaded = PictureLoader::load(found.name, shown.expandedTo(shownSize(format.name())));
    if (loaded.ok())
        document()->addResource(QTextDocument::ImageResource, QUrl(format.name()), QPixmap::fromImage(loaded.image));
    format.setWidth(shown.width());
    format.setHeight(shown.height());
    cursor.setCharFormat(format);
}

QImage NoteEditor::fullPicture(const QTextCursor &cursor)
{
    if (cursor.isNull())
        return QImage();
    const QString name = cursor.charFormat().toImageFormat().name();
    const PictureStore::Result found = notebookStore().locate(name);
    if (!found.ok()) {
        emit pictureProblem(found.error);
        return QImage();
    }
    const PictureLoader::Loaded loaded = PictureLoader::load(found.name);
    if (!loaded.ok())
        emit pictureProblem(loaded.error);
    return loaded.image;
}

QSize NoteEditor::shownSize(const QString &name) const
{
    QSize size;
    for (const QTextFormat &format : document()->allFormats()) {
        if (!format.isImageFormat())
            continue;
        const QTextImageFormat image = format.toImageFormat();
        if (image.name() != name)
            continue;
        // Without both sides given the picture is shown at its own size.
        if (image.width() <= 0 || image.height() <= 0)
            return QSize();
        size = size.expandedTo(QSize(qCeil(image.width()), qCeil(image.height())));
    }
    return size;
}

QVariant NoteEditor::loadResource(int type, const QUrl &name)
{
    const QString picture = name.toString();
    if (type != QTextDocument::ImageResource || !PictureStore::isPictureName(picture))
        return QTextEdit::loadResource(type, name);
    const QSize shown = shownSize(picture);
    const PictureStore::Result found = notebookStore().locate(picture);
    // As many pixels as the screen shows, on a scaled screen too.
    const QSize wanted = shown * devicePixelRatioF();
    if (found.ok() && shown.isValid()) {
        const QSize full = headerSize(found.name);
        if (full.isValid() && qint64(full.width()) * full.height() > DecodeLaterPixels
            && PictureStore::sizeRefusal(picture, full).isEmpty()) {
            decodeLater(picture, found.name, wanted);
            return QPixmap::fromImage(PictureLoader::pending(shown));
        }
    }
    PictureLoader::Loaded loaded;
    if (found.ok())
        loaded = PictureLoader::load(found.name, wanted);
    else
        loaded.error = found.error;
    if (!found.ok() && !QFileInfo::exists(QDir::current().filePath(picture))) {
        // Perhaps on its way (a sync tool brings notes and pictures in any order).
        if (m_missing.isEmpty())
            connect(pictureFolderWatch(), &QFileSystemWatcher::directoryChanged, this, &NoteEditor::lookForArrivals,
                    Qt::UniqueConnection);
        m_missing.insert(picture);
    }
    if (!loaded.ok()) {
        // Told after the paint that asked for it; the placeholder is kept
        // as the resource, so each picture is told once.
        QMetaObject::invokeMethod(this, [this, error = loaded.error] { emit pictureProblem(error); },
                                  Qt::QueuedConnection);
        return QPixmap::fromImage(PictureLoader::placeholder(shown));
    }
    return QPixmap::fromImage(loaded.image);
}

void NoteEditor::decodeLater(const QString &name, const QString &path, QSize size)
{
    if (m_decoding.contains(name))
        return;
    m_decoding.insert(name);
    // Started once the events at hand are handled, so that the frame being
    // painted (the first one at start-up) does not share the cores with it.
    QTimer::singleShot(0, this, [self = QPointer<NoteEditor>(this), name, path, size] {
        QThreadPool *pool = decodePool();
        pool->start([pool, self, name, path, size] {
            const PictureLoader::Loaded loaded = PictureLoader::load(path, size);
            QMetaObject::invokeMethod(
                pool,
                [self, name, loaded] {
                    if (self)
                        self->showDecoded(name, loaded.image, loaded.error);
                },
                Qt::QueuedConnection);
        });
    });
}

void NoteEditor::showDecoded(const QString &name, const QImage &image, const QString &error)
{
    m_decoding.remove(name);
    QPixmap shown;
    if (error.isEmpty()) {
        shown = QPixmap::fromImage(image);
    } else {
        shown = QPixmap::fromImage(PictureLoader::placeholder(shownSize(name)));
        emit pictureProblem(error);
    }
    document()->addResource(QTextDocument::ImageResource, QUrl(name), shown);
    viewport()->update();
}

void NoteEditor::lookForArrivals()
{
    pictureFolderWatch();
    const PictureStore store = notebookStore();
    for (auto it = m_missing.begin(); it != m_missing.end();) {
        const PictureStore::Result found = store.locate(*it);
        if (!found.ok()) {
            ++it;
            continue;
        }
        const QString name = *it;
        it = m_missing.erase(it);
        decodeLater(name, found.name, shownSize(name) * devicePixelRatioF());
    }
    if (m_missing.isEmpty())
        disconnect(pictureFolderWatch(), &QFileSystemWatcher::directoryChanged, this, &NoteEditor::lookForArrivals);
}

QStringList NoteEditor::pictureFiles(const QMimeData *source)
{
    QStringList files;
    if (!source->hasUrls())
        return files;
    for (const QUrl &url : source->urls()) {
        if (!url.isLocalFile())
            return {};
        const QString path = url.toLocalFile();
        if (!QFileInfo(path).isFile() || QImageReader::imageFormat(path).isEmpty())
            return {};
        files << path;
    }
    return files;
}

bool NoteEditor::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasImage() || !pictureFiles(source).isEmpty() || QTextEdit::canInsertFromMimeData(source);
}

void NoteEditor::insertFromMimeData(const QMimeData *source)
{
    const QStringList files = pictureFiles(source);
    if (!files.isEmpty()) {
        for (const QString &file : files)
            insertPictureFile(file);
        return;
    }
    if (isPictureOnly(source)) {
        insertPicture(qvariant_cast<QImage>(source->imageData()));
        return;
    }
    QTextEdit::insertFromMimeData(source);
}

void NoteEditor::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu(event->pos());
    const QTextCursor picture = pictureAt(event->pos());
    if (!picture.isNull())
        addPictureMenu(menu, picture);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void NoteEditor::addPictureMenu(QMenu *menu, const QTextCursor &picture)
{
    menu->addSeparator();
    const auto zoomEntry = [this, menu, picture](const QString &text, Zoom zoom) {
        connect(menu->addAction(text), &QAction::triggered, this, [this, picture, zoom] { zoomPicture(picture, zoom); });
    };
    zoomEntry(QStringLiteral("25 %"), Zoom::Quarter);
    zoomEntry(QStringLiteral("50 %"), Zoom::Half);
    zoomEntry(QStringLiteral("100 %"), Zoom::Full);
    zoomEntry(tr("适应宽度"), Zoom::Fit);
    QAction *copy = menu->addAction(tr("复制图片"));
    copy->setObjectName(QStringLiteral("copyPicture"));
    connect(copy, &QAction::triggered, this, [this, picture] {
        const QImage image = fullPicture(picture);
        if (!image.isNull())
            QApplication::clipboard()->setImage(image);
    });
    QAction *save = menu->addAction(tr("图片另存为…"));
    save->setObjectName(QStringLiteral("savePictureAs"));
    connect(save, &QAction::triggered, this, [this, picture] { savePictureAs(picture); });
}

void NoteEditor::savePictureAs(const QTextCursor &picture)
{
    const QString name = picture.charFormat().toImageFormat().name();
    const PictureStore::Result found = notebookStore().locate(name);
    if (!found.ok()) {
        emit pictureProblem(found.error);
        return;
    }
    const QString target = QFileDialog::getSaveFileName(this, tr("图片另存为…"),
                                                        QDir::home().filePath(QFileInfo(name).fileName()),
                                                        tr("PNG 图片 (*.png)"));
    if (target.isEmpty())
        return;
    QFile source(found.name);
    QSaveFile file(target);
    QString error;
    if (!source.open(QIODevice::ReadOnly))
        error = source.errorString();
    else if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else {
        const QByteArray bytes = source.readAll();
        if (file.write(bytes) != bytes.size()) {
            error = file.errorString();
            file.cancelWriting();
        } else if (!file.commit()) {
            error = file.errorString();
        }
    }
    if (!error.isEmpty())
        emit pictureProblem(tr("图片未能保存到 %1：%2").arg(QDir::toNativeSeparators(target), error));
}
