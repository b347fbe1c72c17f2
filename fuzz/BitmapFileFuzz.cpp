// libFuzzer target: whole bitmap files through the bitmap reader.
#include "base/KelpError.h"
#include "picture/BitmapReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    kelp::TNkDIB dib;
    try {
        kelp::DecodeBitmapFile({data, size}, "fuzz.bmp", dib);
        dib.SetPixelFormat(kelp::TPixelFormat::pf24bit);
    } catch (const kelp::KelpError &) {
    }
    return 0;
}
