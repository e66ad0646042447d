#include "desktopgrabber.h"

#include "grabsource.h"

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

QRect DesktopGrabber::geometry()
{
    return GrabSource::create()->desktop();
}
