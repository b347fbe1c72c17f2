// kelpimage.spi: the bundled import plug-in of the kelpview colour editor.
// PNG, JPEG, GIF (first frame), WebP and TIFF through Debian's decoder libraries;
// transparency is composited over black.
#include "Decoders.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <webp/decode.h>

#define KELP_EXPORT extern "C" __attribute__((visibility("default")))

namespace kelpimage {

namespace {

// Files larger than this are not read.
constexpr off_t MaxFileBytes = off_t(1) << 32;
// GetPictureInfo looks no further than this for the picture's size.
constexpr std::size_t HeadBytes = 256 * 1024;

const char *const InfoTexts[] = {
    "00IN",
    "kelpimage 1.0: PNG, JPEG, GIF, WebP and TIFF for the kelpview colour editor",
    "*.png", "PNG",
    "*.jpg;*.jpeg;*.jpe;*.jfif", "JPEG",
    "*.gif", "GIF",
    "*.webp", "WebP",
    "*.tif;*.tiff", "TIFF",
};

// The picture's bytes: the memory the host passed, or the file mapped from the
// offset on (mapped, not read: a copy of a large file costs a page fault per page).
struct TSource {
    void *map = nullptr;
    std::size_t mapSize = 0;
    TInput input;
    TSource() = default;
    TSource(const TSource &) = delete;
    TSource &operator=(const TSource &) = delete;
    ~TSource()
    {
        if (map)
            ::munmap(map, mapSize);
    }
};

// headOnly: the first bytes are enough (the picture's size, not its pixels).
int ReadSource(const char *buf, intptr_t len, unsigned flag, TSource &src, bool headOnly = false)
{
    if (!buf || len < 0)
        return SUSIE_READ_ERROR;
    if ((flag & SUSIE_INPUT_MASK) == SUSIE_INPUT_MEMORY) {
        src.input = {reinterpret_cast<const std::uint8_t *>(buf), static_cast<std::size_t>(len)};
        return SUSIE_SUCCESS;
    }
    const int fd = ::open(buf, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return SUSIE_READ_ERROR;
    struct stat st {};
    int rc = SUSIE_READ_ERROR;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= len && st.st_size - len <= MaxFileBytes) {
        std::size_t size = static_cast<std::size_t>(st.st_size);
        if (headOnly)
            size = std::min<std::size_t>(size, static_cast<std::size_t>(len) + HeadBytes);
        if (size == static_cast<std::size_t>(len)) {
            rc = SUSIE_SUCCESS; // nothing past the offset: an empty input
        } else {
            void *map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (map != MAP_FAILED) {
                src.map = map;
                src.mapSize = size;
                src.input = {static_cast<const std::uint8_t *>(map) + len, size - static_cast<std::size_t>(len)};
                rc = SUSIE_SUCCESS;
            }
        }
    }
    ::close(fd);
    return rc;
}

using TDecoder = int (*)(TInput, TPicture &, const TProgress &);

TDecoder DecoderFor(const std::uint8_t *head)
{
    if (IsPng(head)) return DecodePng;
    if (IsJpeg(head)) return DecodeJpeg;
    if (IsGif(head)) return DecodeGif;
    if (IsWebp(head)) return DecodeWebp;
    if (IsTiff(head)) return DecodeTiff;
    return nullptr;
}

// Reads width and height without decoding: only the fixed header fields.
// head: the first 16 bytes, zero-filled past the end of a shorter input.
bool QuickSize(const std::uint8_t *head, TInput in, std::int32_t &w, std::int32_t &h)
{
    const std::uint8_t *d = in.data;
    auto be32 = [&](std::size_t at) { return std::int32_t(d[at] << 24 | d[at + 1] << 16 | d[at + 2] << 8 | d[at + 3]); };
    if (in.size >= 24 && IsPng(head)) {
        w = be32(16);
        h = be32(20);
        return true;
    }
    if (in.size >= 10 && IsGif(head)) {
        w = d[6] | d[7] << 8;
        h = d[8] | d[9] << 8;
        return true;
    }
    if (IsWebp(head)) {
        int ww = 0, hh = 0;
        if (!WebPGetInfo(d, in.size, &ww, &hh))
            return false;
        w = ww;
        h = hh;
        return true;
    }
    if (IsJpeg(head)) { // walk the markers to the frame header
        std::size_t at = 2;
        while (at + 9 < in.size) {
            if (d[at] != 0xFF)
                return false;
            const std::uint8_t marker = d[at + 1];
            if (marker == 0xFF) {
                ++at;
                continue;
            }
            const std::size_t length = d[at + 2] << 8 | d[at + 3];
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
                h = d[at + 5] << 8 | d[at + 6];
                w = d[at + 7] << 8 | d[at + 8];
                return true;
            }
            at += 2 + length;
        }
    }
    return false;
}

void CopyText(const char *text, char *buf, int buflen, int &written)
{
    const int n = static_cast<int>(std::strlen(text));
    written = n < buflen - 1 ? n : buflen - 1;
    std::memcpy(buf, text, static_cast<std::size_t>(written));
    buf[written] = '\0';
}

} // namespace

} // namespace kelpimage

using namespace kelpimage;

KELP_EXPORT int GetPluginInfo(int infono, char *buf, int buflen)
{
    if (!buf || buflen <= 0 || infono < 0 || infono >= static_cast<int>(sizeof InfoTexts / sizeof *InfoTexts))
        return 0;
    int written = 0;
    CopyText(InfoTexts[infono], buf, buflen, written);
    return written;
}

KELP_EXPORT int IsSupported(const char *, const void *head)
{
    return head && DecoderFor(static_cast<const std::uint8_t *>(head)) ? 1 : 0;
}

KELP_EXPORT int GetPictureInfo(const char *buf, intptr_t len, unsigned int flag, PictureInfo *info)
{
    if (!info)
        return SUSIE_INTERNAL_ERROR;
    TSource src;
    if (const int rc = ReadSource(buf, len, flag, src, true); rc != SUSIE_SUCCESS)
        return rc;
    std::uint8_t head[16] = {};
    if (src.input.size > 0)
        std::memcpy(head, src.input.data, std::min(src.input.size, sizeof head));
    std::int32_t w = 0, h = 0;
    if (!DecoderFor(head))
        return SUSIE_UNKNOWN_FORMAT;
    *info = PictureInfo{};
    if (QuickSize(head, src.input, w, h)) {
        info->width = w;
        info->height = h;
    }
    info->colorDepth = 24;
    return SUSIE_SUCCESS;
}

KELP_EXPORT int GetPicture(const char *buf, intptr_t len, unsigned int flag, void **bitmapInfo, void **bits,
                           SusieProgress progress, intptr_t data)
{
    if (!bitmapInfo || !bits)
        return SUSIE_INTERNAL_ERROR;
    *bitmapInfo = nullptr;
    *bits = nullptr;
    TSource src;
    if (const int rc = ReadSource(buf, len, flag, src); rc != SUSIE_SUCCESS)
        return rc;
    std::uint8_t head[16] = {};
    if (src.input.size > 0)
        std::memcpy(head, src.input.data, std::min(src.input.size, sizeof head));
    const TDecoder decode = DecoderFor(head);
    if (!decode)
        return SUSIE_UNKNOWN_FORMAT;
    TPicture picture;
    const TProgress ask{progress, data};
    if (ask.Abort(0, 1))
        return SUSIE_ABORTED;
    int rc;
    try {
        rc = decode(src.input, picture, ask);
    } catch (const std::bad_alloc &) {
        rc = SUSIE_NO_MEMORY;
    }
    if (rc != SUSIE_SUCCESS)
        return rc;
    if (ask.Abort(1, 1))
        return SUSIE_ABORTED;
    picture.HandOver(bitmapInfo, bits);
    return SUSIE_SUCCESS;
}

KELP_EXPORT int GetPreview(const char *, intptr_t, unsigned int, void **, void **, SusieProgress, intptr_t)
{
    return SUSIE_NOT_IMPLEMENTED;
}
