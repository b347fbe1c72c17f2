#pragma once
// The Windows-bitmap reader of the indexed picture: whole ".bmp" files, and the
// header and bits blocks that import plug-ins hand back. 1, 4 and 8 bits stay
// indexed with their colour table (run-length data is expanded); 16, 24 and 32
// bits become 24. Every failure throws KelpError naming the source and the cause;
// the target picture is only replaced once the whole picture has decoded.
#include "picture/NkDIB.h"

#include <cstdint>
#include <span>
#include <string>

namespace kelp {

// True when the bytes begin with the "BM" signature of a bitmap file.
bool HasBitmapSignature(std::span<const std::uint8_t> head);

// Reads the bitmap file fileName into dib.
void ReadBitmapFile(const std::string &fileName, TNkDIB &dib);

// Decodes a whole bitmap file held in memory; source names it in error texts.
void DecodeBitmapFile(std::span<const std::uint8_t> file, const std::string &source, TNkDIB &dib);

// Decodes a header block (information header, masks, colour table) and a block
// of pixel rows, as GetPicture returns them. Each span is the block's full size.
void DecodeBitmapBlocks(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                        const std::string &source, TNkDIB &dib);

} // namespace kelp
