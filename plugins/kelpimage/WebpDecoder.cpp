#include "Decoders.h"

#include <cstring>
#include <webp/decode.h>

namespace kelpimage {

bool IsWebp(const std::uint8_t *head) { return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0; }

// Decoded upside down straight into the bottom-up rows as blue, green, red, alpha.
// Animated files are not read (the still-picture decoder refuses them).
int DecodeWebp(TInput in, TPicture &out, const TProgress &)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return SUSIE_INTERNAL_ERROR;
    if (WebPGetFeatures(in.data, in.size, &config.input) != VP8_STATUS_OK)
        return SUSIE_BROKEN_DATA;
    if (config.input.has_animation)
        return SUSIE_UNKNOWN_FORMAT;
    if (const int rc = out.Allocate(config.input.width, config.input.height, 32); rc != SUSIE_SUCCESS)
        return rc;
    config.options.flip = 1;
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    // With flip, the first row written is the picture's bottom row: the block's start.
    config.output.u.RGBA.rgba = out.Row(out.Height() - 1);
    config.output.u.RGBA.stride = static_cast<int>(out.Stride());
    config.output.u.RGBA.size = out.Stride() * static_cast<std::size_t>(out.Height());
    const VP8StatusCode status = WebPDecode(in.data, in.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return status == VP8_STATUS_OUT_OF_MEMORY ? SUSIE_NO_MEMORY : SUSIE_BROKEN_DATA;
    out.CompositeOverBlack();
    return SUSIE_SUCCESS;
}

} // namespace kelpimage
