#include "Decoders.h"

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace kelpimage {

namespace {

struct TReader {
    TInput in;
    std::size_t pos = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count)
{
    auto *r = static_cast<TReader *>(png_get_io_ptr(png));
    if (r->in.size - r->pos < count)
        png_error(png, "truncated");
    std::memcpy(out, r->in.data + r->pos, count);
    r->pos += count;
}

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

} // namespace

bool IsPng(const std::uint8_t *head) { return std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0; }

// Every colour type ends as 8-bit blue, green, red, alpha; then alpha is
// composited over black. Interlaced passes land in the final rows directly.
int DecodePng(TInput in, TPicture &out, const TProgress &progress)
{
    TReader reader{in};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png)
        return SUSIE_NO_MEMORY;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return SUSIE_NO_MEMORY;
    }
    volatile int rc = SUSIE_BROKEN_DATA;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &reader, ReadBytes);
        png_read_info(png, info);
        const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
        const int colorType = png_get_color_type(png, info);
        png_set_expand(png);
        png_set_scale_16(png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        png_set_bgr(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER); // only where there is no alpha
        const int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) {
            rc = SUSIE_INTERNAL_ERROR;
        } else {
            rc = out.Allocate(width, height, 32);
        }
        if (rc == SUSIE_SUCCESS) {
            const int h = static_cast<int>(height);
            for (int pass = 0; pass < passes && rc == SUSIE_SUCCESS; ++pass)
                for (int y = 0; y < h; ++y) {
                    png_read_row(png, out.Row(y), nullptr);
                    if ((y & 255) == 255 && progress.Abort(pass * h + y, passes * h)) {
                        rc = SUSIE_ABORTED;
                        break;
                    }
                }
            if (rc == SUSIE_SUCCESS)
                out.CompositeOverBlack();
        }
    } else {
        rc = SUSIE_BROKEN_DATA;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return rc;
}

} // namespace kelpimage
