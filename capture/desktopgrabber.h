#pragma once

#include <QRect>

/// What the capture needs of the desktop outside the overlay: its size for
/// the fixed-size dialog, and giving a capture's memory back.
class DesktopGrabber
{
public:
    /// The virtual desktop in device pixels: the union of the monitors.
    static QRect geometry();
    /// Gives memory freed by the program back to the system (the temporary
    /// buffers of a grab, the pictures of a finished capture).
    static void releaseFreedMemory();
    /// Sets the allocator up for the capture's pictures, for the whole
    /// process: called once by main() at start-up, before any thread.
    static void setUpAllocator();
};
