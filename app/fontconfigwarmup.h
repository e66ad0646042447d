#pragma once

#include <thread>

/// Loads the system's font configuration on a second core while the main
/// thread connects to the display and builds the window. Reading fontconfig's
/// XML files and caches is the largest single cost of drawing the first line of
/// text; Qt's own first font request then finds the configuration loaded (if
/// it comes first, both load and fontconfig keeps one, so nothing is lost but
/// time). The thread is joined when this object goes.
class FontConfigWarmUp
{
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp &) = delete;
    FontConfigWarmUp &operator=(const FontConfigWarmUp &) = delete;

private:
    std::thread m_loader;
};
