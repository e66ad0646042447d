#include "desktopgrabber.h"

#include "screengrabsource.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void DesktopGrabber::releaseFreedMemory()
{
    // Once the allocator has seen a picture-sized buffer freed, it keeps the
    // next ones in its heap, resident, instead of giving them back.
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void DesktopGrabber::setUpAllocator()
{
#ifdef __GLIBC__
    // A picture on X11 is the grab reply's own allocation. glibc raises its
    // mmap threshold to the size of a freed mapping (up to 32 MiB), after
    // which every later picture would come from the heap and stay with the
    // program between captures. A fixed threshold keeps pictures in mappings
    // of their own that go back to the system when the capture ends.
    constexpr int PictureMappingThreshold = 4 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, PictureMappingThreshold);
#endif
}

QRect DesktopGrabber::geometry()
{
    // What Qt knows of the screens: no grab source, no connection of its own.
    return ScreenGrabSource().desktop();
}
