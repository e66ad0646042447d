#include "swayoverlayrule.h"

#include "logging.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const QByteArray Magic("i3-ipc");
constexpr quint32 RunCommand = 0;
constexpr int HeaderSize = 14;
constexpr int ReplyTimeoutMs = 1000;

/// Reads exactly size bytes, waiting at most ReplyTimeoutMs for each part.
bool readAll(int fd, char *into, int size)
{
    int done = 0;
    while (done < size) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, ReplyTimeoutMs) <= 0)
            return false;
        const ssize_t got = ::read(fd, into + done, size_t(size - done));
        if (got <= 0)
            return false;
        done += int(got);
    }
    return true;
}

/// Runs one command over the socket; the reply's payload, empty on failure.
QByteArray runCommand(const QByteArray &socketPath, const QByteArray &command)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= qsizetype(sizeof address.sun_path))
        return QByteArray();
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QByteArray();
    QByteArray reply;
    const QByteArray request = SwayOverlayRule::message(RunCommand, command);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
        && ::write(fd, request.constData(), size_t(request.size())) == request.size()) {
        char header[HeaderSize];
        if (readAll(fd, header, HeaderSize) && QByteArray(header, Magic.size()) == Magic) {
            quint32 length = 0;
            std::memcpy(&length, header + Magic.size(), sizeof length);
            // A reply to one short command is small; anything else is not sway.
            if (length < 65536) {
                reply.resize(qsizetype(length));
                if (!readAll(fd, reply.data(), int(length)))
                    reply.clear();
            }
        }
    }
    ::close(fd);
    return reply;
}
}

QString SwayOverlayRule::windowRole()
{
    return QStringLiteral("velmonote-capture");
}

QByteArray SwayOverlayRule::message(quint32 type, const QByteArray &payload)
{
    QByteArray bytes = Magic;
    const quint32 length = quint32(payload.size());
    bytes.append(reinterpret_cast<const char *>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char *>(&type), sizeof type);
    return bytes + payload;
}

bool SwayOverlayRule::succeeded(const QByteArray &replyPayload)
{
    const QJsonArray results = QJsonDocument::fromJson(replyPayload).array();
    if (results.isEmpty())
        return false;
    for (const QJsonValue result : results) {
        if (!result.toObject().value(QLatin1String("success")).toBool())
            return false;
    }
    return true;
}

bool SwayOverlayRule::ensure()
{
    static const bool taken = [] {
        // The rule matches an X window's role; a native Wayland window has none.
        const QByteArray socketPath = qgetenv("SWAYSOCK");
        if (socketPath.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
            return false;
        const QByteArray rule = "for_window [window_role=\"" + windowRole().toUtf8() + "\"] fullscreen enable global";
        const QByteArray reply = runCommand(socketPath, rule);
        const bool ok = succeeded(reply);
        if (!ok)
            qCWarning(lcCapture) << "sway did not take the overlay's window rule:" << reply;
        return ok;
    }();
    return taken;
}
