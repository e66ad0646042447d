#include "waylandselection.h"

#include "logging.h"
#include "sessionkind.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include <wayland-client.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
/// Writes the bytes for one paste and closes the pipe. On a thread of its
/// own: a reader that reads slowly or never holds up nothing else.
void writeOut(ClipboardPayload payload, QString type, int fd)
{
    // A reader that goes away mid-paste must not end the program: the write
    // fails with EPIPE instead of raising SIGPIPE on this thread.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const QByteArray bytes = payload.data(type);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += written;
    }
    ::close(fd);
}
}

struct WaylandSelection::Connection
{
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_seat *seat = nullptr;
    zwlr_data_control_manager_v1 *manager = nullptr;
    zwlr_data_control_device_v1 *device = nullptr;
    // Owned by the worker thread once it runs.
    zwlr_data_control_source_v1 *source = nullptr;
    ClipboardPayload shown;
    // Handed from the GUI thread to the worker.
    std::mutex lock;
    std::optional<ClipboardPayload> next;
    int wake = -1;
    std::atomic<bool> quit = false;
    std::thread worker;

    ~Connection()
    {
        if (worker.joinable()) {
            quit = true;
            wakeWorker();
            worker.join();
        }
        if (source)
            zwlr_data_control_source_v1_destroy(source);
        if (device)
            zwlr_data_control_device_v1_destroy(device);
        if (manager)
            zwlr_data_control_manager_v1_destroy(manager);
        if (seat)
            wl_seat_destroy(seat);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
        if (wake >= 0)
            ::close(wake);
    }

    void wakeWorker()
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof one);
    }

    void run();
    void applyNext();

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
    {
        auto *self = static_cast<Connection *>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat)
            self->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0 && !self->manager)
            self->manager = static_cast<zwlr_data_control_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}

    static void dataOffer(void *, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *) {}
    static void selection(void *, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
    {
        // Other programs' selections are not read, only let go of.
        if (offer)
            zwlr_data_control_offer_v1_destroy(offer);
    }
    static void finished(void *data, zwlr_data_control_device_v1 *)
    {
        auto *self = static_cast<Connection *>(data);
        zwlr_data_control_device_v1_destroy(self->device);
        self->device = nullptr;
    }

    static void send(void *data, zwlr_data_control_source_v1 *source, const char *type, int32_t fd)
    {
        auto *self = static_cast<Connection *>(data);
        if (source != self->source) {
            ::close(fd);
            return;
        }
        std::thread(writeOut, self->shown, QString::fromUtf8(type), fd).detach();
    }
    static void cancelled(void *data, zwlr_data_control_source_v1 *source)
    {
        // Another program's selection took over.
        auto *self = static_cast<Connection *>(data);
        if (source == self->source) {
            qCDebug(lcCapture) << "The Wayland offer was replaced";
            self->source = nullptr;
            self->shown = ClipboardPayload();
        }
        zwlr_data_control_source_v1_destroy(source);
    }

    static constexpr wl_registry_listener registryListener{global, globalRemove};
    static constexpr zwlr_data_control_device_v1_listener deviceListener{dataOffer, selection, finished};
    static constexpr zwlr_data_control_source_v1_listener sourceListener{send, cancelled};
};

void WaylandSelection::Connection::applyNext()
{
    std::optional<ClipboardPayload> payload;
    {
        const std::lock_guard<std::mutex> guard(lock);
        payload.swap(next);
    }
    if (!payload || !device)
        return;
    zwlr_data_control_source_v1 *made = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(made, &sourceListener, this);
    for (const QString &type : payload->types())
        zwlr_data_control_source_v1_offer(made, type.toUtf8().constData());
    zwlr_data_control_device_v1_set_selection(device, made);
    // The one shown before is told it was cancelled and goes then.
    source = made;
    shown = std::move(*payload);
}

void WaylandSelection::Connection::run()
{
    const int displayFd = wl_display_get_fd(display);
    while (!quit) {
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        pollfd fds[2] = {{displayFd, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            wl_display_cancel_read(display);
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            if (wl_display_read_events(display) < 0)
                break;
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0 || (fds[0].revents & (POLLERR | POLLHUP)))
            break;
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(wake, &count, sizeof count);
            applyNext();
        }
    }
    if (!quit)
        qCWarning(lcCapture) << "The Wayland clipboard connection ended:" << std::strerror(errno);
}

namespace {
QPointer<WaylandSelection> installed;
}

WaylandSelection *WaylandSelection::active()
{
    return installed;
}

WaylandSelection *WaylandSelection::install(QObject *parent)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !SessionKind::isWayland()
        || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->display = wl_display_connect(nullptr);
    if (!connection->display) {
        qCInfo(lcCapture) << "No Wayland connection for the clipboard; X clipboard only";
        return nullptr;
    }
    connection->registry = wl_display_get_registry(connection->display);
    wl_registry_add_listener(connection->registry, &Connection::registryListener, connection.get());
    wl_display_roundtrip(connection->display);
    if (!connection->seat || !connection->manager) {
        qCInfo(lcCapture) << "The compositor has no clipboard control; X clipboard only";
        return nullptr;
    }
    connection->device = zwlr_data_control_manager_v1_get_data_device(connection->manager, connection->seat);
    zwlr_data_control_device_v1_add_listener(connection->device, &Connection::deviceListener, connection.get());
    connection->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (connection->wake < 0)
        return nullptr;
    Connection *raw = connection.get();
    connection->worker = std::thread([raw] { raw->run(); });
    installed = new WaylandSelection(std::move(connection), parent);
    return installed;
}

WaylandSelection::WaylandSelection(std::unique_ptr<Connection> connection, QObject *parent)
    : QObject(parent)
    , d(std::move(connection))
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &WaylandSelection::clipboardChanged);
}

WaylandSelection::~WaylandSelection() = default;

void WaylandSelection::clipboardChanged()
{
    // Changes by others (the compositor taking the X clipboard over for an
    // offer, among them) are left alone, and so are copies the compositor
    // bridges itself, made while a window of the program has the focus.
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard() || QGuiApplication::focusWindow())
        return;
    if (const QMimeData *data = clipboard->mimeData()) {
        qCDebug(lcCapture) << "Offering a copy made without the focus to Wayland programs";
        offer(ClipboardPayload::fromMimeData(*data));
    }
}

void WaylandSelection::offer(ClipboardPayload payload)
{
    {
        const std::lock_guard<std::mutex> guard(d->lock);
        d->next = std::move(payload);
    }
    d->wakeWorker();
}
