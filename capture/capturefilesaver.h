#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>

#include <memory>

class QSaveFile;
class QThreadPool;

/// Writes captured pictures to files on a worker thread, so the overlay can
/// close at once while a large PNG is still being compressed.
///
/// The file is a QSaveFile the caller has already opened (so a folder that
/// cannot be written is reported while the user can still choose another
/// name) and hands over to the save, which owns it from then on and ends it
/// on the worker; it replaces the target only once complete. The picture is shared,
/// not copied: the worker reads the area straight from it. Failures that
/// happen on the worker come back as saveFailed() on the saver's thread.
class CaptureFileSaver : public QObject
{
    Q_OBJECT
public:
    /// The one saver of the program, living on the GUI thread.
    static CaptureFileSaver *instance();
    ~CaptureFileSaver() override;

    /// Encodes area of picture in format with quality into file, then
    /// commits it, on the worker.
    void save(const QImage &picture, const QRect &area, std::unique_ptr<QSaveFile> file, const QByteArray &format,
              int quality);
    /// Blocks until every started save has ended (tests, quitting).
    void waitForSaves();
    /// Writes synchronously; the worker's body. Returns an error text, empty
    /// on success; the file is committed or cancelled.
    static QString write(const QImage &picture, const QRect &area, QSaveFile &file, const QByteArray &format,
                         int quality);

signals:
    void saved(const QString &path);
    void saveFailed(const QString &path, const QString &error);

private:
    explicit CaptureFileSaver(QObject *parent);

    QThreadPool *m_pool;
};
