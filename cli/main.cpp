// kelpview-cli: the editor's operations for scripts and batch work.
#include "base/KelpError.h"
#include "cli/CliSupport.h"
#include "cli/ExportCommands.h"
#include "cli/ImportCommands.h"
#include "cli/PreviewCommand.h"
#include "cli/RomCommands.h"

#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace kelp::cli;

struct TCommand {
    const char *name;
    const char *usage;
    const char *summary;
    int (*run)(const std::vector<std::string> &args);
};

const TCommand Commands[] = {
    {"info", "info ROM [--json]",
     "Show both settings blocks: the seven colours as the editor's list shows them, the header, blend type, "
     "alphas and the 16 palette entries.",
     CmdInfo},
    {"set-color", "set-color ROM ROLE BBGGRR",
     "Set one colour. ROLE is a role name (TextBG, TextChar, TabChar, SystemBG, SystemText, SystemFrameBright, "
     "SystemFrameMask) or its number 0..6; BBGGRR is 8-bit hexadecimal, blue first, stored as its top five bits.",
     CmdSetColor},
    {"theme", "theme ROM text-white-bg|text-black-bg|system-white-bg|system-black-bg",
     "Apply one of the four colour presets.", CmdTheme},
    {"set-blend", "set-blend ROM [--type N] [--text-alpha N] [--bg-alpha N]",
     "Set the blend type (0: additive) and the text and background alphas (sixteenths, 0..16).", CmdSetBlend},
    {"copy-settings", "copy-settings FROM TO",
     "Write both settings blocks of FROM into the ROM file TO (the editor's Save As).", CmdCopySettings},
    {"import", "import ROM PICTURE [--zoom PERCENT | --fit width|height] [--pos X,Y] [--tile on|off] [--reduce 0..5]",
     "Import PICTURE as the background of ROM: load it (Windows bitmaps directly, other formats through the "
     "plug-ins), place it on the 240x160 screen, reduce it to 16 colours with palette entry 0 black, widen it "
     "to 256x160 and write the background block. Defaults: zoom 100, position 0,0, tile mode on, reduce type 3. "
     "Reduce types: 0 median cut, 1 variance-split median cut, 2 median cut with error diffusion, "
     "3 variance-split median cut with error diffusion, 4 fixed precision (16-bit), 5 fixed precision (24-bit).",
     CmdImport},
    {"reduce", "reduce --type N IN OUT.bmp",
     "Place IN at 100 %, position 0,0, tile mode on, reduce it with reduce type N (0..5) and write the 240x160 "
     "8-bit result with its 256-entry palette (a PNG when OUT ends in .png).",
     CmdReduce},
    {"export-bg", "export-bg ROM OUT",
     "Write the 256x160 background picture of ROM as an 8-bit picture with its 256-entry palette (entries 0..15 "
     "are the background's colours): a Windows bitmap when OUT ends in .bmp, a PNG when it ends in .png.",
     CmdExportBg},
    {"preview", "preview ROM OUT.png [--no-bg] [--no-system]",
     "Write the emulated 240x160 GBA screen as the editor's preview shows it: the text page, the background "
     "blended over it, the system window, every channel cut to 5 bits. --no-bg and --no-system leave those "
     "layers out. Nothing is written when either settings block is missing (exit status 1).",
     CmdPreview},
    {"sample-rom", "sample-rom OUT", "Write a small synthetic ROM image carrying both blocks, for trying the editor.",
     CmdSampleRom},
};

void PrintOverview(std::ostream &out)
{
    out << "Usage: kelpview-cli COMMAND [ARGS...]\n"
           "Edits the colour and background settings of a kelpview ROM image (txt.bin) in place;\n"
           "every byte outside the two settings blocks is left as it is.\n\nCommands:\n";
    for (const TCommand &c : Commands)
        out << "  " << c.usage << "\n";
    out << "\nRun 'kelpview-cli COMMAND --help' for one command.\n"
           "Exit status: 0 success, 1 the operation reported a failure, 2 usage error, 3 an error was raised.\n";
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(args.empty() ? std::cerr : std::cout);
        return args.empty() ? ExitUsage : ExitOk;
    }
    const TCommand *command = nullptr;
    for (const TCommand &c : Commands)
        if (args[0] == c.name)
            command = &c;
    if (!command) {
        std::cerr << "kelpview-cli: unknown command '" << args[0] << "'\n\n";
        PrintOverview(std::cerr);
        return ExitUsage;
    }
    args.erase(args.begin());
    for (const std::string &a : args)
        if (a == "--help" || a == "-h") {
            std::cout << "Usage: kelpview-cli " << command->usage << "\n" << command->summary << "\n";
            return ExitOk;
        }
    try {
        return command->run(args);
    } catch (const UsageError &e) {
        std::cerr << "kelpview-cli " << command->name << ": " << e.what() << "\nUsage: kelpview-cli "
                  << command->usage << "\n";
        return ExitUsage;
    } catch (const std::exception &e) {
        std::cerr << "kelpview-cli " << command->name << ": " << e.what() << "\n";
        return ExitError;
    }
}
