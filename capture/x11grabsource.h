#pragma once

#include "grabsource.h"
#include "xcbreply.h"

#include <xcb/xproto.h>

#include <memory>

struct xcb_connection_t;

/// Grabs the X11 root window with one GetImage request: the reply's pixels
/// arrive in a buffer of our own that the returned QImage wraps as it is,
/// with no copy and no conversion. The monitors come from RandR (1.5 monitor
/// list), so areas between monitors of different sizes are known and
/// blacked out.
///
/// Measured against MIT-SHM on the same server, interleaved: the socket
/// reply is about twice as fast at 3840x2160 (a fresh shared segment's pages
/// are faulted in by the X server while it copies, under its lock), and
/// the buffer is an ordinary allocation given back when the picture goes.
///
/// startGrab() freezes the desktop on the server first, into a pixmap; once
/// the overlay is mapped, paintBackdrop() has the server paint it from
/// there, veiled, before the program has any of the picture. The picture is
/// then copied from the frozen pixmap, over a connection of its own (so it
/// never holds up Qt's), into shared memory: a socket reply would reach the
/// program only as fast as the server, busy mapping and compositing the
/// overlay, gets round to sending it (at 3840x2160 that took 130-180 ms).
/// Only one full-screen pixmap is made per capture: on a server that has to
/// fault in fresh memory for each, a second one cost the first capture at
/// 3840x2160 about 20 ms before the overlay could be mapped.
class X11GrabSource : public GrabSource
{
public:
    /// Null unless Qt runs on xcb with a 32-bit pixel format the overlay
    /// can paint as it is.
    static std::unique_ptr<X11GrabSource> create();
    ~X11GrabSource() override;

    QList<QRect> monitors() const override;
    QImage grab() override;
    bool startGrab(const Backdrop &backdrop) override;
    bool paintBackdrop(const QRegion &area) override;
    QImage pendingPart(const QRect &area) override;
    QImage finishGrab() override;
    void cancelGrab() override;

private:
    X11GrabSource(xcb_connection_t *connection, quint32 root, int depth, QRect rootArea);
    /// Opens the connection the backdrop and its picture go through; false
    /// when the server lacks what it needs (RENDER).
    bool openBackdropConnection();
    /// Reads errors the backdrop connection has collected; true if any.
    bool backdropFailed();
    /// A shared segment of that size, its pages made resident and attached
    /// to the server; null without MIT-SHM or on failure.
    void *attachSegment(size_t bytes, quint32 *segment);
    /// The frozen desktop copied into a segment; null when that failed.
    QImage frozenThroughSegment();
    /// Asks for part of the frozen desktop through the socket.
    xcb_get_image_cookie_t requestFrozenPart(const QRect &area);
    /// Part of the frozen desktop through the socket.
    XcbReply<xcb_get_image_reply_t> frozenPart(const QRect &area);
    /// Ends the grab: the frozen pixmap and what came with it go.
    void dropFrozen();
    /// A reply for part (picture coordinates) as that part of the picture.
    QImage partFromReply(XcbReply<xcb_get_image_reply_t> reply, const QRect &part) const;
    /// The reply's pixels as the picture, uncovered areas blacked out.
    static QImage pictureFromReply(XcbReply<xcb_get_image_reply_t> reply, const QRect &area,
                                   const QList<QRect> &monitors);

    xcb_connection_t *m_connection;
    quint32 m_root;
    int m_depth;
    QRect m_rootArea;

    xcb_connection_t *m_backdropConnection = nullptr;
    quint32 m_copyGc = 0;
    quint32 m_pictFormat = 0;
    QList<quint32> m_rootLikeVisuals;
    bool m_shmPresent = false;
    /// The grab startGrab() began, ended by finishGrab(): the frozen
    /// desktop's pixmap on the server.
    bool m_grabPending = false;
    quint32 m_frozen = 0;
    Backdrop m_backdrop;
    /// The backdrop's programPart, fetched by startGrab().
    QImage m_programPicture;
    QRect m_grabArea;
    QList<QRect> m_grabMonitors;
};
