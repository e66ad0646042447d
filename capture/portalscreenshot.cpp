#include "portalscreenshot.h"

#include "logging.h"
#include "portalrequest.h"
#include "screengrabsource.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QScopeGuard>
#include <QUrl>

namespace {
// The portal may ask a permission dialog first; past this the user is told.
constexpr int AnswerTimeoutMs = 30000;
}

PortalScreenshot::PortalScreenshot(QObject *parent)
    : QObject(parent)
{
}

bool PortalScreenshot::isPending() const
{
    return !m_pending.isNull();
}

void PortalScreenshot::request()
{
    if (isPending())
        return;
    const QVariantMap options{{QStringLiteral("interactive"), false}, {QStringLiteral("modal"), false}};
    m_pending = PortalRequest::call(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
                                    {QString()}, options, AnswerTimeoutMs, this);
    connect(m_pending, &PortalRequest::answered, this, &PortalScreenshot::handleAnswer);
    connect(m_pending, &PortalRequest::failed, this, [this](const QString &reason) {
        m_decoder.release();
        emit failed(tr("桌面没有提供截图服务（%1）").arg(reason));
    });
    // While the desktop takes the picture: memory for one the screens' size.
    m_decoder.prepare(ScreenGrabSource().desktop().size());
}

void PortalScreenshot::handleAnswer(uint response, const QVariantMap &results)
{
    // Memory prepared for a picture never outlives the answer.
    const auto release = qScopeGuard([this] { m_decoder.release(); });
    if (response == PortalRequest::Cancelled) {
        emit failed(tr("截图被取消"));
        return;
    }
    if (response != PortalRequest::Success) {
        emit failed(tr("桌面拒绝了截图"));
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile()) {
        emit failed(tr("桌面给出的截图无法读取"));
        return;
    }
    QString error;
    const QString path = uri.toLocalFile();
    const QImage image = readPicture(path, &error);
    if (image.isNull()) {
        emit failed(tr("桌面给出的截图无法读取：%1").arg(error));
        return;
    }
    // The portal leaves its file to us (GNOME writes it into the pictures
    // folder): read, it goes. Only a plain file of its own, never what a
    // link points to.
    const QFileInfo handedOver(path);
    if (handedOver.isFile() && !handedOver.isSymLink() && !QFile::remove(path))
        qCWarning(lcCapture).noquote() << "The portal's screenshot could not be removed:" << path;
    emit grabbed(image);
}

QImage PortalScreenshot::readPicture(const QString &path, QString *error)
{
    // The portal writes plain 8-bit PNG files: decoded here, without the
    // copies and conversions of Qt's reader. Anything else goes to Qt.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QImage image = m_decoder.decode(file.readAll());
        if (!image.isNull())
            return image;
    }
    m_decoder.release();
    QImageReader reader(path);
    // The portal's file holds the screens' real pixels; no scaling on reading.
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull())
        *error = reader.errorString();
    return image;
}
