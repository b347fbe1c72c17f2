#include "rom/RomBlocks.h"

#include "rom/BackgroundTiles.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace kelp {

const char *const ColorMarkerMissingMessage =
    "RGBCIDが見つかりませんでした。\r\n"
    "カラーカスタマイズ対応版kelpviewでもこのエラーが表示される場合は、\r\n"
    "Farrowmereまで報告頂けるとありがたいです。";
const char *const BackgroundMarkerMissingMessage =
    "BGBMIDが見つかりませんでした。\r\n"
    "背景対応版kelpviewでもこのエラーが表示される場合は、\r\n"
    "Farrowmereまで報告頂けるとありがたいです。";

std::string FileMissingMessage(const std::string &fileName)
{
    return "ファイル[" + fileName + "]が見つかりませんでした。";
}

namespace {

void Report(const TMessageSink &sink, const std::string &text)
{
    if (sink)
        sink(text);
}

void PutInt16(std::uint8_t *p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutInt32(std::uint8_t *p, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t GetInt16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::int32_t GetInt32(const std::uint8_t *p)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | p[i];
    return static_cast<std::int32_t>(v);
}

bool CheckFileExists(const std::string &fileName, const TMessageSink &sink)
{
    if (FileExists(fileName))
        return true;
    Report(sink, FileMissingMessage(fileName));
    return false;
}

bool FindBlock(TFileStream &stream, std::string_view marker, const char *markerMessage, const TMessageSink &sink)
{
    if (FindRomMarker(stream, marker))
        return true;
    Report(sink, markerMessage);
    return false;
}

constexpr std::size_t PaletteOffset = 14; // within the block data, behind the marker
constexpr std::size_t TilesOffset = PaletteOffset + 3 * BackgroundPaletteEntries;

} // namespace

bool FindRomMarker(TFileStream &stream, std::string_view marker)
{
    const std::uint64_t n = std::min(stream.Size(), RomSearchLimit);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(n));
    stream.Seek(0);
    const std::size_t got = stream.ReadSome(buffer);
    buffer.resize(got);
    // The last six start positions of the buffer are not tried.
    for (std::size_t i = 0; i + 7 <= buffer.size(); ++i) {
        if (std::memcmp(buffer.data() + i, marker.data(), RomMarkerLength) == 0) {
            stream.Seek(i + RomMarkerLength);
            return true;
        }
    }
    return false;
}

bool ReadColorBlock(const std::string &fileName, TColorTable &table, const TMessageSink &sink)
{
    if (!CheckFileExists(fileName, sink))
        return false;
    TFileStream stream(fileName, TFileStream::Mode::Read);
    if (!FindBlock(stream, ColorMarker, ColorMarkerMissingMessage, sink))
        return false;
    std::array<std::uint8_t, ColorBlockDataBytes> bytes{};
    stream.Read(bytes);
    std::memcpy(table.data(), bytes.data(), bytes.size());
    return true;
}

bool WriteColorBlock(const std::string &fileName, const TColorTable &table, const TMessageSink &sink)
{
    if (!CheckFileExists(fileName, sink))
        return false;
    TFileStream stream(fileName, TFileStream::Mode::ReadWrite);
    if (!FindBlock(stream, ColorMarker, ColorMarkerMissingMessage, sink))
        return false;
    std::array<std::uint8_t, ColorBlockDataBytes> bytes{};
    std::memcpy(bytes.data(), table.data(), bytes.size());
    stream.Write(bytes);
    return true;
}

bool ReadBackgroundBlock(const std::string &fileName, TBackgroundBlock &block, const TMessageSink &sink)
{
    if (!CheckFileExists(fileName, sink))
        return false;
    TFileStream stream(fileName, TFileStream::Mode::Read);
    if (!FindBlock(stream, BackgroundMarker, BackgroundMarkerMissingMessage, sink))
        return false;
    // The whole block first: a block cut short raises before the record is touched.
    std::vector<std::uint8_t> bytes(BackgroundBlockDataBytes);
    stream.Read(bytes);

    TBackgroundBlock result;
    result.Picture = block.Picture; // palette entries 16..255 are not part of the file
    if (result.Picture.Width() != BackgroundWidth || result.Picture.Height() != BackgroundHeight ||
        result.Picture.BitCount() != 8)
        result.Picture.SetSize(BackgroundWidth, BackgroundHeight, 8);
    result.Header = GetInt16(&bytes[0]);
    result.BlendType = GetInt32(&bytes[2]);
    result.TextAlpha = GetInt32(&bytes[6]);
    result.BGAlpha = GetInt32(&bytes[10]);
    for (int i = 0; i < BackgroundPaletteEntries; ++i) {
        const std::uint8_t *p = &bytes[PaletteOffset + 3 * static_cast<std::size_t>(i)];
        // Bytes above 31 come only from damaged files; GbaToColor keeps their low five bits.
        result.Picture.SetColors(i, GbaToColor(TGbaColor{p[0], p[1], p[2]}));
    }
    std::memcpy(result.Tiles.data(), &bytes[TilesOffset], BackgroundTileBytes);
    DecodeBackgroundTiles(result);

    // The caller's picture object stays the same object; only its contents change.
    block.Header = result.Header;
    block.BlendType = result.BlendType;
    block.TextAlpha = result.TextAlpha;
    block.BGAlpha = result.BGAlpha;
    block.Picture = std::move(result.Picture);
    block.Tiles = result.Tiles;
    return true;
}

bool WriteBackgroundBlock(const std::string &fileName, TBackgroundBlock &block, const TMessageSink &sink)
{
    if (!CheckFileExists(fileName, sink))
        return false;
    TFileStream stream(fileName, TFileStream::Mode::ReadWrite);
    if (!FindBlock(stream, BackgroundMarker, BackgroundMarkerMissingMessage, sink))
        return false;
    // Encode before writing anything, so a picture that cannot be encoded leaves the file as it was.
    EncodeBackgroundTiles(block);
    std::vector<std::uint8_t> bytes(BackgroundBlockDataBytes);
    PutInt16(&bytes[0], block.Header);
    PutInt32(&bytes[2], block.BlendType);
    PutInt32(&bytes[6], block.TextAlpha);
    PutInt32(&bytes[10], block.BGAlpha);
    for (int i = 0; i < BackgroundPaletteEntries; ++i) {
        const TGbaColor g = ColorToGba(block.Picture.Colors(i));
        std::uint8_t *p = &bytes[PaletteOffset + 3 * static_cast<std::size_t>(i)];
        p[0] = g.Blue;
        p[1] = g.Green;
        p[2] = g.Red;
    }
    std::memcpy(&bytes[TilesOffset], block.Tiles.data(), BackgroundTileBytes);
    stream.Write(bytes);
    return true;
}

} // namespace kelp
