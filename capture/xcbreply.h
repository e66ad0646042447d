#pragma once

#include <cstdlib>
#include <memory>

/// Owns what libxcb hands out with malloc() (replies, errors, events) and
/// frees it when it goes: `XcbReply<xcb_get_geometry_reply_t> r(xcb_get_geometry_reply(...));`.
struct XcbFree
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;
