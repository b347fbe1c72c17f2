#include "cli/PreviewCommand.h"

#include "app/PreviewCompositor.h"
#include "cli/CliSupport.h"
#include "picture/PictureWriter.h"
#include "rom/RomBlocks.h"

namespace kelp::cli {

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
    WritePngFile(out, ComposePreview(colors, background, TMockPictures{}, layers));
    return ExitOk;
}

} // namespace kelp::cli
