#include "swayipc.h"

#include "logging.h"

#include <QEvent>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QWidget>

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
    const QByteArray request = SwayIpc::message(RunCommand, command);
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

/// Moves its window once sway has mapped it: sway knows the window a little
/// after the window's first paint (once XWayland has handed its first frame
/// over), so the move is tried again for a while.
class PlaceKeeper : public QObject
{
public:
    PlaceKeeper(QWidget *window, QPoint at)
        : QObject(window)
        , m_window(window)
        , m_at(at)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched == m_window && !m_trying) {
            m_trying = true;
            QTimer::singleShot(0, this, [this] { tryMove(); });
        }
        return false;
    }

private:
    void tryMove()
    {
        if (!m_window->isVisible() || SwayIpc::placeMapped(m_window, SwayIpc::positionCommand(m_at))
            || ++m_tries >= MaxTries) {
            deleteLater();
            return;
        }
        QTimer::singleShot(RetryMs, this, [this] { tryMove(); });
    }

    static constexpr int RetryMs = 20;
    static constexpr int MaxTries = 100;
    QWidget *m_window;
    QPoint m_at;
    bool m_trying = false;
    int m_tries = 0;
};
}

bool SwayIpc::isRunning()
{
    static const bool running =
        !qgetenv("SWAYSOCK").isEmpty() && QGuiApplication::platformName() == QLatin1String("xcb");
    return running;
}

bool SwayIpc::run(const QByteArray &command, QByteArray *reply)
{
    const QByteArray answer = runCommand(qgetenv("SWAYSOCK"), command);
    if (reply)
        *reply = answer;
    return succeeded(answer);
}

void SwayIpc::moveWindow(QWidget *window, QPoint topLeft)
{
    if (!placeMapped(window, positionCommand(topLeft)))
        window->move(topLeft);
}

void SwayIpc::setWindowGeometry(QWidget *window, const QRect &geometry)
{
    if (!placeMapped(window, "resize set width " + QByteArray::number(geometry.width()) + " px height "
                                 + QByteArray::number(geometry.height()) + " px, "
                                 + positionCommand(geometry.topLeft())))
        window->setGeometry(geometry);
}

QByteArray SwayIpc::positionCommand(QPoint topLeft)
{
    return "move absolute position " + QByteArray::number(topLeft.x()) + " " + QByteArray::number(topLeft.y());
}

bool SwayIpc::placeMapped(QWidget *window, const QByteArray &command)
{
    // On sway a mapped window is placed by sway alone: its own request to
    // move or resize would reach sway after the command and centre it again.
    if (!isRunning() || !window->isVisible() || !window->internalWinId())
        return false;
    QByteArray reply;
    if (run("[id=" + QByteArray::number(quint64(window->internalWinId())) + "] " + command, &reply))
        return true;
    // Not mapped yet, or tiled (the main window in sway's layout).
    qCDebug(lcApp) << "sway did not place the window:" << command << window->internalWinId() << reply;
    return false;
}

void SwayIpc::keepPlaceWhenMapped(QWidget *window)
{
    if (isRunning())
        new PlaceKeeper(window, window->pos());
}

QByteArray SwayIpc::message(quint32 type, const QByteArray &payload)
{
    QByteArray bytes = Magic;
    const quint32 length = quint32(payload.size());
    bytes.append(reinterpret_cast<const char *>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char *>(&type), sizeof type);
    return bytes + payload;
}

bool SwayIpc::succeeded(const QByteArray &replyPayload)
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

