#include "displaylosssaver.h"

#include <cstdlib>
#include <thread>
#include <utility>

namespace {
std::function<void()> pendingSave;
std::thread::id guiThread;
bool registered = false;
}

DisplayLossSaver::DisplayLossSaver(std::function<void()> save)
{
    pendingSave = std::move(save);
    guiThread = std::this_thread::get_id();
    // atexit handlers cannot be removed: register once, disarm by clearing.
    if (!registered)
        registered = std::atexit(&DisplayLossSaver::atExit) == 0;
}

DisplayLossSaver::~DisplayLossSaver()
{
    pendingSave = nullptr;
}

void DisplayLossSaver::atExit()
{
    if (!pendingSave || std::this_thread::get_id() != guiThread)
        return;
    // Taken first: a save that ends in exit() again must not recurse.
    const std::function<void()> save = std::exchange(pendingSave, nullptr);
    save();
}
