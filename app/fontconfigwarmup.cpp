#include "fontconfigwarmup.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmUp::FontConfigWarmUp()
    : m_loader([] { FcInit(); })
{
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    m_loader.join();
}
