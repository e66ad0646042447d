#include "hotkeybackend.h"

#include "x11hotkeybackend.h"

HotKeyBackend::~HotKeyBackend() = default;

std::unique_ptr<HotKeyBackend> HotKeyBackend::createNative(Listener listener)
{
    return X11HotKeyBackend::create(std::move(listener));
}
