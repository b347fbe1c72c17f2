#pragma once
// The last step of an import: the reduced 240x160 picture widened to the
// 256x160 background. The 16 added columns lie off screen; they are painted
// with the palette entry nearest to white.
#include "picture/NkDIB.h"

namespace kelp {

// Index among entries 0..15 nearest to white (sum of channel differences);
// the lowest index wins a tie.
int NearestToWhite(const TNkDIB &picture);

// picture: 8 bits per pixel, 240 or more wide, 160 high. Pixel values and the
// palette are kept; columns from 240 on are filled as above.
void WidenToBackground(TNkDIB &picture);

} // namespace kelp
