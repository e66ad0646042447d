#pragma once

#include "clipboardpayload.h"

#include <QObject>

#include <memory>

/// Offers the program's clipboard straight to Wayland programs when the
/// program runs on XWayland, through the compositor's clipboard-control
/// protocol (wlroots' data control: sway, KWin). A compositor hands an X
/// client's clipboard to Wayland only on its own terms (sway: only while an X
/// window has the focus), and the capture overlay hides the moment it fills
/// the clipboard, so without this a native program would paste nothing.
///
/// Every change the program makes to its clipboard is offered as well. The
/// compositor answers an offer by taking the X clipboard over for it, and
/// then lets only an X program with the focus read it (sway); the program
/// takes the X clipboard back once after each offer, with the same data, so
/// both clipboards hold it and X programs read it from the program itself. The Wayland connection
/// and its objects live on a thread of their own, which also writes the data
/// to the reading program: a paste is served even while the GUI thread
/// waits, for instance on its own X clipboard read, which the compositor
/// answers from this very offer.
class WaylandSelection : public QObject
{
    Q_OBJECT
public:
    /// Starts offering the clipboard for the program's lifetime (owned by
    /// parent) when it runs on xcb inside a Wayland session whose compositor
    /// has the protocol; null otherwise, and the X clipboard alone serves.
    static WaylandSelection *install(QObject *parent);
    ~WaylandSelection() override;

    /// Makes payload the Wayland selection, replacing the last one.
    void offer(ClipboardPayload payload);

private:
    struct Connection;
    explicit WaylandSelection(std::unique_ptr<Connection> connection, QObject *parent);
    void clipboardChanged();

    std::unique_ptr<Connection> d;
    /// What was offered last, for taking the X clipboard back.
    ClipboardPayload m_offered;
    /// The compositor is yet to take the X clipboard over for the last offer.
    bool m_takeBack = false;
    /// The clipboard is being filled from m_offered.
    bool m_restoring = false;
};
