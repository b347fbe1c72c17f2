#include "Decoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace kelpimage {

namespace {

struct TErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TErrorManager *>(cinfo->err)->jump, 1); }
void OnMessage(j_common_ptr, int) {}

// Adobe writes CMYK inverted (255 is no ink); others write it plain.
void CmykToBgr(const std::uint8_t *in, std::uint8_t *out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

} // namespace

bool IsJpeg(const std::uint8_t *head) { return head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF; }

// Colour and greyscale decode straight into the rows as blue, green, red;
// CMYK and YCCK go through one CMYK row.
int DecodeJpeg(TInput in, TPicture &out, const TProgress &progress)
{
    jpeg_decompress_struct cinfo{};
    TErrorManager err{};
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.emit_message = OnMessage;
    JSAMPLE *volatile cmykRow = nullptr;
    volatile int rc = SUSIE_BROKEN_DATA;
    if (setjmp(err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, in.data, static_cast<unsigned long>(in.size));
        jpeg_read_header(&cinfo, TRUE);
        const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        if (static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height > MaxPixels) {
            rc = SUSIE_NO_MEMORY;
        } else {
            jpeg_start_decompress(&cinfo);
            const int width = static_cast<int>(cinfo.output_width), height = static_cast<int>(cinfo.output_height);
            rc = out.Allocate(width, height, 24);
            if (rc == SUSIE_SUCCESS && cmyk) {
                cmykRow = static_cast<JSAMPLE *>(std::malloc(static_cast<std::size_t>(width) * 4));
                if (!cmykRow)
                    rc = SUSIE_NO_MEMORY;
            }
            const bool inverted = cinfo.saw_Adobe_marker;
            while (rc == SUSIE_SUCCESS && cinfo.output_scanline < cinfo.output_height) {
                const int y = static_cast<int>(cinfo.output_scanline);
                if (cmyk) {
                    JSAMPROW row = cmykRow;
                    jpeg_read_scanlines(&cinfo, &row, 1);
                    CmykToBgr(cmykRow, out.Row(y), width, inverted);
                } else {
                    // Several rows at a time; they lie bottom-up in the block.
                    JSAMPROW rows[16];
                    const int n = std::min<int>(16, height - y);
                    for (int i = 0; i < n; ++i)
                        rows[i] = out.Row(y + i);
                    jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
                }
                if ((y & 255) == 0 && y > 0 && progress.Abort(y, height))
                    rc = SUSIE_ABORTED;
            }
            if (rc == SUSIE_SUCCESS)
                jpeg_finish_decompress(&cinfo);
        }
    } else {
        rc = SUSIE_BROKEN_DATA;
    }
    std::free(cmykRow);
    jpeg_destroy_decompress(&cinfo);
    return rc;
}

} // namespace kelpimage
