#include "import/ImportResult.h"

#include "base/KelpError.h"
#include "rom/BackgroundBlock.h"

#include <algorithm>
#include <cstring>

namespace kelp {

int NearestToWhite(const TNkDIB &picture)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < BackgroundPaletteEntries; ++i) {
        const TRgbQuad q = picture.ColorTable()[static_cast<std::size_t>(i)];
        const int d = (255 - q.Blue) + (255 - q.Green) + (255 - q.Red);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void WidenToBackground(TNkDIB &picture)
{
    if (picture.BitCount() != 8 || picture.Height() != BackgroundHeight)
        throw KelpError("the reduced picture must be 8 bits per pixel and 160 rows high");
    TNkDIB wide(BackgroundWidth, BackgroundHeight, 8);
    wide.ColorTable() = picture.ColorTable();
    wide.SetColorsUsed(picture.ColorsUsed());
    const auto white = static_cast<std::uint8_t>(NearestToWhite(picture));
    const int keep = std::min(picture.Width(), 240);
    for (int y = 0; y < BackgroundHeight; ++y) {
        std::uint8_t *out = wide.ScanLine(y);
        std::memcpy(out, picture.ScanLine(y), static_cast<std::size_t>(keep));
        std::fill(out + keep, out + BackgroundWidth, white);
    }
    picture = std::move(wide);
}

} // namespace kelp
