#include "Decoders.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <array>
#include <memory>
#include <vector>

namespace kelpimage {

namespace {

struct TReader {
    TInput in;
    std::size_t pos = 0;
};

int ReadBytes(GifFileType *gif, GifByteType *out, int count)
{
    auto *r = static_cast<TReader *>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), r->in.size - r->pos);
    std::memcpy(out, r->in.data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

struct TGifCloser {
    void operator()(GifFileType *gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// Reads the extension blocks, keeping the transparent index of a graphic control block.
bool SkipExtension(GifFileType *gif, int &transparent)
{
    int code = 0;
    GifByteType *block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock gcb{};
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            transparent = gcb.TransparentColor;
    }
    while (block)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

} // namespace

bool IsGif(const std::uint8_t *head)
{
    return std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0;
}

// The first frame on the logical screen; the screen around it and the
// transparent pixels are black.
int DecodeGif(TInput in, TPicture &out, const TProgress &progress)
{
    TReader reader{in};
    int error = 0;
    std::unique_ptr<GifFileType, TGifCloser> gif(DGifOpen(&reader, ReadBytes, &error));
    if (!gif)
        return SUSIE_BROKEN_DATA;
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return SUSIE_BROKEN_DATA;
        if (type == TERMINATE_RECORD_TYPE)
            return SUSIE_BROKEN_DATA; // no picture at all
        if (type == EXTENSION_RECORD_TYPE) {
            if (!SkipExtension(gif.get(), transparent))
                return SUSIE_BROKEN_DATA;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            return SUSIE_BROKEN_DATA;
        const GifImageDesc &d = gif->Image;
        const ColorMapObject *map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        const int frameW = d.Width, frameH = d.Height;
        if (frameW <= 0 || frameH <= 0 || d.Left < 0 || d.Top < 0)
            return SUSIE_BROKEN_DATA;
        const std::int64_t width = std::max<std::int64_t>(gif->SWidth, std::int64_t(d.Left) + frameW);
        const std::int64_t height = std::max<std::int64_t>(gif->SHeight, std::int64_t(d.Top) + frameH);
        if (const int rc = out.Allocate(width, height, 24); rc != SUSIE_SUCCESS)
            return rc;
        for (int y = 0; y < out.Height(); ++y)
            std::memset(out.Row(y), 0, out.Stride());

        std::array<std::uint8_t, 256 * 3> bgr{}; // indices past the map stay black
        if (map)
            for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
                bgr[3 * i] = map->Colors[i].Blue;
                bgr[3 * i + 1] = map->Colors[i].Green;
                bgr[3 * i + 2] = map->Colors[i].Red;
            }
        if (transparent >= 0 && transparent < 256)
            std::fill_n(bgr.begin() + 3 * transparent, 3, 0);

        std::vector<GifPixelType> line(static_cast<std::size_t>(frameW));
        auto emit = [&](int row) {
            std::uint8_t *p = out.Row(d.Top + row) + 3 * static_cast<std::size_t>(d.Left);
            for (int x = 0; x < frameW; ++x, p += 3)
                std::memcpy(p, &bgr[3 * line[static_cast<std::size_t>(x)]], 3);
        };
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        int done = 0;
        for (int pass = 0; pass < (d.Interlace ? 4 : 1); ++pass)
            for (int row = d.Interlace ? start[pass] : 0; row < frameH; row += d.Interlace ? step[pass] : 1) {
                if (DGifGetLine(gif.get(), line.data(), frameW) == GIF_ERROR)
                    return SUSIE_BROKEN_DATA;
                emit(row);
                if ((++done & 255) == 0 && progress.Abort(done, frameH))
                    return SUSIE_ABORTED;
            }
        return SUSIE_SUCCESS;
    }
}

} // namespace kelpimage
