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
/// The compositor answers an offer by taking the X clipboard over for it, so
/// X programs read it too, through the compositor (sway lets only an X
/// program with the focus read it, as when a user pastes there). The
/// capture's copy is offered here only, never through Qt's X clipboard: the
/// compositor would also bridge that one while the overlay has the focus,
/// and its bridge, finished after the offer, would stand for an X clipboard
/// it has itself taken over, and paste nothing. Other copies go through Qt's
/// X clipboard as usual; one made while none of the program's windows has the
/// focus, which the compositor does not bridge, is offered here as well. The Wayland connection
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
    /// The installed one, or null.
    static WaylandSelection *active();
    ~WaylandSelection() override;

    /// Makes payload the Wayland selection, replacing the last one.
    void offer(ClipboardPayload payload);

private:
    struct Connection;
    explicit WaylandSelection(std::unique_ptr<Connection> connection, QObject *parent);
    void clipboardChanged();

    std::unique_ptr<Connection> d;
};
