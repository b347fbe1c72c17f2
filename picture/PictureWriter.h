#pragma once
// Writes an indexed picture as a Windows bitmap or a PNG file. Indexed pictures
// keep their bit count and carry the whole colour table (2, 16 or 256 entries),
// 24-bit ones are written as true colour. Failures raise KelpError naming the
// file and the cause; a file left half-written is removed.
#include "picture/NkDIB.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelp {

enum class TPictureFileType { Unknown, Bitmap, Png };

// By the lower-cased extension: ".bmp" or ".png".
TPictureFileType PictureFileTypeOf(const std::string &fileName);

// The file's bytes: bottom-up rows, a 40-byte information header, no compression.
std::vector<std::uint8_t> EncodeBitmap(const TNkDIB &picture, const std::string &fileName);
std::vector<std::uint8_t> EncodePng(const TNkDIB &picture, const std::string &fileName);

void WriteBitmapFile(const std::string &fileName, const TNkDIB &picture);
void WritePngFile(const std::string &fileName, const TNkDIB &picture);
// By PictureFileTypeOf; another extension raises KelpError.
void WritePictureFile(const std::string &fileName, const TNkDIB &picture);

} // namespace kelp
