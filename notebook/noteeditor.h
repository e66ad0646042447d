#pragma once

#include "picturestore.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QTextEdit>

class QMenu;
class QMimeData;
class QTextCursor;

/// The editor of every note: a QTextEdit that also takes pictures. Pasting
/// an image (image/png or any format Qt reads), dropping image files and
/// insertPicture() keep the picture in the notebook's PictureStore (the
/// working directory is the notebook folder) before the note refers to it,
/// then put it at the cursor, scaled to the note's width when wider. A
/// picture's context menu shows it at 25, 50 or 100 % or fit, copies it at
/// full size or saves it elsewhere.
///
/// Pictures are decoded when the document first needs them, at the size
/// they are shown (a large one by the thread pool, a blank box of its size
/// shown meanwhile); one that cannot be read shows a placeholder and is told
/// once through pictureProblem(). A picture not there yet (a synced note that
/// came before its picture) is shown as soon as its file arrives.
class NoteEditor : public QTextEdit
{
    Q_OBJECT
public:
    enum class Zoom { Quarter, Half, Full, Fit };

    explicit NoteEditor(QWidget *parent = nullptr);

    /// Stores image and inserts it at the cursor; false (told through
    /// pictureProblem()) when it cannot be stored.
    bool insertPicture(const QImage &image);
    /// A capture at full size (device pixels), shown at once from memory and
    /// kept in the store just after the editor has painted it, so that a
    /// large capture appears without waiting for its PNG.
    void insertCapture(const QImage &image);
    /// Stores the captures insertCapture() showed and gives them their
    /// names; done before the note's text is read for saving.
    void storeCaptures();
    /// The same as insertPicture for a picture file chosen or dropped by the user.
    bool insertPictureFile(const QString &path);
    /// The picture at a document position (the character there), or an
    /// invalid cursor when there is none; selects that one character.
    QTextCursor pictureAt(int position) const;
    /// The picture under a point of the viewport.
    QTextCursor pictureAt(QPoint viewportPoint) const;
    /// Shows the selected picture of cursor (from pictureAt()) at zoom.
    void zoomPicture(QTextCursor cursor, Zoom zoom);
    /// The picture of cursor at full size, read from the store.
    QImage fullPicture(const QTextCursor &cursor);
    /// The local picture files a drag or paste carries; empty unless every
    /// file it carries is one.
    static QStringList pictureFiles(const QMimeData *source);

signals:
    /// A picture could not be read or kept; text names the file.
    void pictureProblem(const QString &text);

protected:
    QVariant loadResource(int type, const QUrl &name) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    /// Decodes the picture name from path at size in the thread pool, then
    /// shows it.
    void decodeLater(const QString &name, const QString &path, QSize size);
    /// Shows picture name, decoded, in place of what stood for it.
    void showDecoded(const QString &name, const QImage &image, const QString &error);
    /// Shows the missing pictures whose files have arrived.
    void lookForArrivals();
    /// The width a picture may take in the note.
    int noteWidth() const;
    /// The largest size name is shown at in the document.
    QSize shownSize(const QString &name) const;
    void addPictureMenu(QMenu *menu, const QTextCursor &picture);
    void savePictureAs(const QTextCursor &picture);
    /// The picture encoded and written into the notebook's store; returns
    /// why not, or nothing.
    QString store(const QImage &image, PictureStore::Result *stored);

    /// Pictures being decoded in the thread pool.
    QSet<QString> m_decoding;
    /// Pictures whose files were not there when the note was shown.
    QSet<QString> m_missing;

    /// Captures shown under a temporary name, not stored yet.
    QHash<QString, QImage> m_unstored;
    bool m_storeScheduled = false;
};
