#pragma once

#include "pngdecoder.h"

#include <QImage>
#include <QObject>
#include <QPointer>

class PortalRequest;

/// The whole desktop as one picture from the desktop portal's Screenshot
/// call, without asking the user (the way to see other programs' windows on
/// Wayland, where a client may not read the screen itself).
///
/// request() starts one screenshot; grabbed() brings the picture at the
/// screens' real pixel size, or failed() says in the user's words why there
/// is none (no portal, the desktop refused, the user declined). A request
/// while one is under way is ignored. Used from the GUI thread.
class PortalScreenshot : public QObject
{
    Q_OBJECT
public:
    explicit PortalScreenshot(QObject *parent = nullptr);

    void request();
    bool isPending() const;

signals:
    void grabbed(const QImage &image);
    void failed(const QString &reason);

private:
    void handleAnswer(uint response, const QVariantMap &results);
    /// The picture in the portal's file; a null image and the reason when
    /// it cannot be read.
    QImage readPicture(const QString &path, QString *error);

    QPointer<PortalRequest> m_pending;
    PngDecoder m_decoder;
};
