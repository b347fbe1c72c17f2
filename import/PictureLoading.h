#pragma once
// Reading the user's picture for the import dialog: Windows bitmaps directly,
// everything else through the Susie plug-ins, always ending at 24 bits per pixel.
#include "import/SusiePlugins.h"
#include "picture/NkDIB.h"

#include <string>

namespace kelp {

// Fills SrcDIB with the picture of fileName at 24 bits per pixel. ".bmp" (any
// case) goes to the bitmap reader; any other name goes to the plug-ins, then to
// the bitmap reader, then fails with "Susie Plugins could not decode". Throws
// KelpError naming the file and the cause; SrcDIB is unchanged on any error.
void ReadPictureFile(const std::string &fileName, TNkDIB &SrcDIB, const TSPIs &spis);

} // namespace kelp
