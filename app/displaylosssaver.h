#pragma once

#include <functional>

/// Saves the notebook when the program is ended from inside Qt without
/// returning to main(): when the X connection breaks (the X server went away
/// before us, as at the end of a desktop session), Qt's xcb plugin, and Xlib's
/// I/O error handler, call exit(). No quit path, signal or aboutToQuit runs
/// then, but exit() still runs the atexit handlers in the GUI thread with
/// every document alive: the text lives in them, not in X. The handler
/// registered here runs the save it was given.
///
/// One instance at a time, made in the GUI thread. While it lives, an exit()
/// from that thread saves once; after it is gone (a normal quit, which has
/// saved already) exit() does nothing more. An exit() from another thread
/// does not save: the documents belong to the GUI thread.
class DisplayLossSaver
{
public:
    explicit DisplayLossSaver(std::function<void()> save);
    ~DisplayLossSaver();
    DisplayLossSaver(const DisplayLossSaver &) = delete;
    DisplayLossSaver &operator=(const DisplayLossSaver &) = delete;

private:
    static void atExit();
};
