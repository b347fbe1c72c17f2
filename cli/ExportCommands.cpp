#include "cli/ExportCommands.h"

#include "cli/CliSupport.h"
#include "picture/PictureWriter.h"
#include "rom/RomBlocks.h"

namespace kelp::cli {

int CmdExportBg(const std::vector<std::string> &args)
{
    const TArgs a(args, {});
    a.ExpectPositional(2);
    const std::string &rom = a.Positional()[0];
    const std::string &out = a.Positional()[1];
    // Checked before the ROM is read, so a mistyped name costs nothing.
    if (PictureFileTypeOf(out) == TPictureFileType::Unknown)
        throw UsageError("OUT must end in .bmp or .png: '" + out + "'");
    TBackgroundBlock block;
    if (!ReadBackgroundBlock(rom, block, StderrSink()))
        return ExitFailed;
    WritePictureFile(out, block.Picture);
    return ExitOk;
}

} // namespace kelp::cli
