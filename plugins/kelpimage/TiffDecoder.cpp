#include "Decoders.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <tiffio.h>

namespace kelpimage {

namespace {

struct TReader {
    TInput in;
    toff_t pos = 0;
};

tmsize_t Read(thandle_t h, void *out, tmsize_t count)
{
    auto *r = static_cast<TReader *>(h);
    if (count < 0 || r->pos > r->in.size)
        return 0;
    const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), r->in.size - r->pos);
    std::memcpy(out, r->in.data + r->pos, n);
    r->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t Write(thandle_t, void *, tmsize_t) { return 0; }

toff_t Seek(thandle_t h, toff_t offset, int whence)
{
    auto *r = static_cast<TReader *>(h);
    const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? r->pos : r->in.size;
    r->pos = base + offset;
    return r->pos;
}

int Close(thandle_t) { return 0; }
toff_t Size(thandle_t h) { return static_cast<TReader *>(h)->in.size; }
int Map(thandle_t, void **, toff_t *) { return 0; }
void Unmap(thandle_t, void *, toff_t) {}

} // namespace

bool IsTiff(const std::uint8_t *head)
{
    return std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0 ||
           std::memcmp(head, "II+\0", 4) == 0 || std::memcmp(head, "MM\0+", 4) == 0;
}

// The first directory through libtiff's RGBA reader, bottom row first, which
// composites associated and unassociated alpha over black itself; red and blue
// are then swapped into the bitmap's order.
int DecodeTiff(TInput in, TPicture &out, const TProgress &)
{
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TReader reader{in};
    TIFF *tif = TIFFClientOpen("picture", "rm", &reader, Read, Write, Seek, Close, Size, Map, Unmap);
    if (!tif)
        return SUSIE_BROKEN_DATA;
    std::uint32_t width = 0, height = 0;
    int rc = SUSIE_BROKEN_DATA;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) &&
        (rc = out.Allocate(width, height, 32)) == SUSIE_SUCCESS) {
        auto *raster = reinterpret_cast<std::uint32_t *>(out.Row(out.Height() - 1));
        if (TIFFReadRGBAImageOriented(tif, width, height, raster, ORIENTATION_BOTLEFT, 0)) {
            for (int y = 0; y < out.Height(); ++y) {
                std::uint8_t *p = out.Row(y);
                for (std::uint32_t x = 0; x < width; ++x, p += 4)
                    std::swap(p[0], p[2]);
            }
        } else {
            rc = SUSIE_BROKEN_DATA;
        }
    }
    TIFFClose(tif);
    return rc;
}

} // namespace kelpimage
