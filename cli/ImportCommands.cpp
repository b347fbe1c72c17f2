#include "cli/ImportCommands.h"

#include "cli/CliSupport.h"
#include "import/ImportResult.h"
#include "import/Placement.h"
#include "import/PictureLoading.h"
#include "import/ReduceColors.h"
#include "import/SusiePlugins.h"
#include "picture/PictureWriter.h"
#include "rom/RomBlocks.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <tuple>

namespace kelp::cli {

namespace {

// The picture loaded through the same plug-in search as the editor's.
TNkDIB LoadPicture(const std::string &fileName)
{
    const TSPIs spis(PluginFolders(ReadSusieFolderSetting()));
    for (const std::string &refusal : spis.Refusals())
        StderrSink()(refusal);
    TNkDIB src;
    ReadPictureFile(fileName, src, spis);
    return src;
}

double ParseZoomPercent(const std::string &text)
{
    errno = 0;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        throw UsageError("--zoom must be a percentage such as 100 or 37.5, not '" + text + "'");
    return v / 100.0;
}

std::pair<int, int> ParsePosition(const std::string &text)
{
    const auto comma = text.find(',');
    if (comma == std::string::npos)
        throw UsageError("--pos must be X,Y (screen pixels), not '" + text + "'");
    return {static_cast<int>(ParseInteger(text.substr(0, comma), "--pos X", -2147483647L - 1, 2147483647L)),
            static_cast<int>(ParseInteger(text.substr(comma + 1), "--pos Y", -2147483647L - 1, 2147483647L))};
}

} // namespace

int CmdImport(const std::vector<std::string> &args)
{
    const TArgs a(args, {"zoom", "fit", "pos", "tile", "reduce"});
    a.ExpectPositional(2);
    const std::string &rom = a.Positional()[0];
    const std::string &pictureFile = a.Positional()[1];

    // The import dialog's first-time settings, changed by the options.
    TPlacement placement;
    int reduceType = rtVarianceCutDiffuse;
    const auto zoom = a.Value("zoom");
    const auto fit = a.Value("fit");
    if (zoom && fit)
        throw UsageError("give either --zoom or --fit, not both");
    if (fit && *fit != "width" && *fit != "height")
        throw UsageError("--fit must be width or height, not '" + *fit + "'");
    if (zoom)
        placement.ZoomRate = ParseZoomPercent(*zoom);
    if (const auto pos = a.Value("pos"))
        std::tie(placement.PosX, placement.PosY) = ParsePosition(*pos);
    if (const auto tile = a.Value("tile")) {
        if (*tile != "on" && *tile != "off")
            throw UsageError("--tile must be on or off, not '" + *tile + "'");
        placement.TileMode = *tile == "on";
    }
    if (const auto reduce = a.Value("reduce"))
        reduceType = static_cast<int>(ParseInteger(*reduce, "--reduce", 0, ReduceTypeCount - 1));

    const TMessageSink sink = StderrSink();
    TBackgroundBlock block;
    // The block is read first: a ROM without one is refused before any picture work.
    if (!ReadBackgroundBlock(rom, block, sink))
        return ExitFailed;
    const TNkDIB src = LoadPicture(pictureFile);
    if (fit)
        placement.ZoomRate = *fit == "width" ? FitWidthZoom(src.Width()) : FitHeightZoom(src.Height());
    TNkDIB dst = RenderPlacement(src, placement);
    if (!ReduceColors(dst, reduceType, sink))
        return ExitFailed;
    WidenToBackground(dst);
    block.Picture = std::move(dst);
    return WriteBackgroundBlock(rom, block, sink) ? ExitOk : ExitFailed;
}

int CmdReduce(const std::vector<std::string> &args)
{
    const TArgs a(args, {"type"});
    a.ExpectPositional(2);
    const auto type = a.Value("type");
    if (!type)
        throw UsageError("--type N is required (0..5)");
    const int reduceType = static_cast<int>(ParseInteger(*type, "--type", -2147483647L - 1, 2147483647L));
    const std::string &in = a.Positional()[0];
    const std::string &out = a.Positional()[1];
    if (PictureFileTypeOf(out) == TPictureFileType::Unknown)
        throw UsageError("OUT must end in .bmp or .png: '" + out + "'");

    TNkDIB dst = RenderPlacement(LoadPicture(in), TPlacement{});
    // An unknown type is the reduction's own failure: its message, exit status 1.
    if (!ReduceColors(dst, reduceType, StderrSink()))
        return ExitFailed;
    WritePictureFile(out, dst);
    return ExitOk;
}

} // namespace kelp::cli
