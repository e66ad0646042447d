#pragma once

#include "grabsource.h"

#include <memory>

struct xcb_connection_t;

/// Grabs the X11 root window through MIT-SHM: the X server copies the
/// desktop straight into a shared-memory segment that the returned QImage
/// wraps, with no trip through the socket and no conversion. The monitors
/// come from RandR (1.5 monitor list), so areas between monitors of
/// different sizes are known and blacked out.
///
/// Each picture has a segment of its own, removed from the system as soon as
/// the last copy of the image is gone.
class X11ShmGrabSource : public GrabSource
{
public:
    /// Null unless Qt runs on xcb and the server offers MIT-SHM with a
    /// 32-bit pixel format the overlay can paint as it is.
    static std::unique_ptr<X11ShmGrabSource> create();

    QRect desktop() const override;
    QList<QRect> monitors() const override;
    QImage grab() override;

private:
    X11ShmGrabSource(xcb_connection_t *connection, quint32 root, QRect rootArea);

    xcb_connection_t *m_connection;
    quint32 m_root;
    QRect m_rootArea;
};
