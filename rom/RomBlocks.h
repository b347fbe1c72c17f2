#pragma once
// The two settings blocks of the ROM image, found by their markers in the first
// 256 KiB and rewritten in place. The routines report the system's own failures
// (missing file, missing marker) through the sink and return false; I/O errors
// throw KelpError. A failed call leaves the record it was given unchanged.
#include "base/FileStream.h"
#include "base/MessageSink.h"
#include "color/ColorTypes.h"
#include "rom/BackgroundBlock.h"

#include <string>
#include <string_view>

namespace kelp {

constexpr std::string_view ColorMarker = "RGBC02";
constexpr std::string_view BackgroundMarker = "BGBM01";
constexpr int RomMarkerLength = 6;
constexpr std::uint64_t RomSearchLimit = 262144;
constexpr int ColorBlockDataBytes = 21;
constexpr int BackgroundBlockDataBytes = 2 + 3 * 4 + 3 * BackgroundPaletteEntries + BackgroundTileBytes; // 20542

// True with the stream on the first byte after the first occurrence of the marker.
bool FindRomMarker(TFileStream &stream, std::string_view marker);

bool ReadColorBlock(const std::string &fileName, TColorTable &table, const TMessageSink &sink);
bool WriteColorBlock(const std::string &fileName, const TColorTable &table, const TMessageSink &sink);
bool ReadBackgroundBlock(const std::string &fileName, TBackgroundBlock &block, const TMessageSink &sink);
// Refreshes block.Tiles from block.Picture on the way.
bool WriteBackgroundBlock(const std::string &fileName, TBackgroundBlock &block, const TMessageSink &sink);

// The system's own messages.
std::string FileMissingMessage(const std::string &fileName);
extern const char *const ColorMarkerMissingMessage;
extern const char *const BackgroundMarkerMissingMessage;

} // namespace kelp
