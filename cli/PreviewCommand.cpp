#include "cli/PreviewCommand.h"

#include "app/PreviewCompositor.h"
#include "base/KelpError.h"
#include "cli/CliSupport.h"
#include "rom/RomBlocks.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kelp::cli {

namespace {

// A 24-bit picture as an 8-bit RGB PNG. libpng reports errors through longjmp,
// so nothing with a destructor is created after setjmp.
void WritePng(const std::string &fileName, const TNkDIB &picture)
{
    KELP_ASSERT(picture.BitCount() == 24);
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(fileName.c_str(), "wb"), std::fclose);
    if (!file)
        throw KelpError("cannot create " + fileName + ": " + std::strerror(errno));

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw KelpError("cannot write " + fileName + ": out of memory");
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y)
        rows[y] = const_cast<png_bytep>(picture.ScanLine(y));

    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        file.reset();
        std::remove(fileName.c_str()); // no half-written picture is left behind
        throw KelpError("cannot write " + fileName + ": PNG encoding failed");
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, picture.Width(), picture.Height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png); // rows hold blue, green, red
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);

    if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
        const std::string cause = std::strerror(errno);
        file.reset();
        std::remove(fileName.c_str());
        throw KelpError("cannot write " + fileName + ": " + cause);
    }
}

} // namespace

int CmdPreview(const std::vector<std::string> &args)
{
    const TArgs a(args, {}, {"no-bg", "no-system"});
    a.ExpectPositional(2);
    const std::string &rom = a.Positional()[0];
    const std::string &out = a.Positional()[1];
    const TMessageSink sink = StderrSink();

    TColorTable colors{};
    TBackgroundBlock background;
    const bool haveColors = ReadColorBlock(rom, colors, sink);
    const bool haveBackground = ReadBackgroundBlock(rom, background, sink);
    // A preview of half the settings would mislead; nothing is written.
    if (!haveColors || !haveBackground)
        return ExitFailed;

    TPreviewLayers layers;
    layers.Background = !a.Flag("no-bg");
    layers.System = !a.Flag("no-system");
    WritePng(out, ComposePreview(colors, background, TMockPictures{}, layers));
    return ExitOk;
}

} // namespace kelp::cli
