// The colour profile of a screen, as the X server advertises it to colour
// managed programs.
#pragma once

#include <cstdint>
#include <vector>

class QScreen;

namespace facette {

// The ICC profile in the root window's _ICC_PROFILE property (for the
// first screen; _ICC_PROFILE_1, ... for the others); empty when there is
// none or the program does not run on X11.
std::vector<uint8_t> ScreenColorProfile(const QScreen *Screen);

} // namespace facette
