// libFuzzer target: the header and bits blocks a plug-in hands back. The first
// two bytes give the header block's length; each block gets its own exactly
// sized allocation, so a read past either one is caught.
#include "base/KelpError.h"
#include "picture/BitmapReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t infoSize = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    const std::vector<std::uint8_t> info(data + 2, data + 2 + infoSize);
    const std::vector<std::uint8_t> bits(data + 2 + infoSize, data + size);
    kelp::TNkDIB dib;
    try {
        kelp::DecodeBitmapBlocks(info, bits, "plug-in", dib);
    } catch (const kelp::KelpError &) {
    }
    return 0;
}
