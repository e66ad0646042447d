#include "fontconfigwarmup.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmUp::FontConfigWarmUp()
    : loader([] { FcInit(); })
{
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    loader.join();
}
