// Fuzz target: the settings-block routines on arbitrary ROM bytes. Reads must
// never crash or read out of bounds; a write must change nothing outside the block.
#include "base/KelpError.h"
#include "rom/RomBlocks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string TempName(const char *what)
{
    return "/tmp/kelp-fuzz-rom-" + std::to_string(::getpid()) + "-" + what;
}

void Store(const std::string &name, const std::uint8_t *data, std::size_t size)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
}

std::vector<std::uint8_t> Load(const std::string &name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Offset of the first marker that the search may find, or npos.
std::size_t FirstMarker(const std::uint8_t *data, std::size_t size, std::string_view marker)
{
    const std::size_t n = std::min<std::size_t>(size, kelp::RomSearchLimit);
    for (std::size_t i = 0; i + 7 <= n; ++i)
        if (std::equal(marker.begin(), marker.end(), data + i))
            return i;
    return std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string rom = TempName("rom");
    Store(rom, data, size);
    kelp::TColorTable colors{};
    kelp::TBackgroundBlock background;
    bool haveBackground = false;
    try {
        kelp::ReadColorBlock(rom, colors, nullptr);
        haveBackground = kelp::ReadBackgroundBlock(rom, background, nullptr);
    } catch (const kelp::KelpError &) {
        // a block cut short
    }
    if (haveBackground) {
        // Writing the block back must leave every other byte as it was.
        kelp::WriteBackgroundBlock(rom, background, nullptr);
        const std::vector<std::uint8_t> after = Load(rom);
        const std::size_t start = FirstMarker(data, size, kelp::BackgroundMarker) + 6;
        const std::size_t end = start + kelp::BackgroundBlockDataBytes;
        if (after.size() != size)
            std::abort();
        for (std::size_t i = 0; i < size; ++i)
            if ((i < start || i >= end) && after[i] != data[i])
                std::abort();
    }
    std::remove(rom.c_str());
    return 0;
}
