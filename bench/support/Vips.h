// libvips as a peer: started once, its operation cache off (repeated
// identical calls must do the work every time).
#pragma once

#include <vips/vips.h>

namespace facette::bench {

// False when libvips could not start.
bool StartVips();

} // namespace facette::bench
