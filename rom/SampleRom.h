#pragma once
// A small synthetic ROM image carrying both settings blocks, for trying the
// editor and for tests: filler bytes, the colour block and the background block
// at different offsets below 256 KiB, a default colour set and a drawn picture.
#include "color/ColorTypes.h"
#include "rom/BackgroundBlock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelp {

constexpr std::size_t SampleRomSize = 196608;
constexpr std::size_t SampleColorBlockOffset = 0x2A40;
constexpr std::size_t SampleBackgroundBlockOffset = 0x11C00;

TColorTable SampleColors();
// 16-colour kelp-forest picture, index 0 black and unused by the drawing's sky.
TBackgroundBlock SampleBackground();
std::vector<std::uint8_t> MakeSampleRom();
// Writes MakeSampleRom() to the file; throws KelpError naming the file on failure.
void WriteSampleRom(const std::string &fileName);

} // namespace kelp
