#include "cli/RomCommands.h"

#include "cli/CliSupport.h"
#include "color/ColorText.h"
#include "color/Themes.h"
#include "rom/RomBlocks.h"
#include "rom/SampleRom.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <sstream>

namespace kelp::cli {

namespace {

std::string JsonString(const std::string &s)
{
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string TripleJson(TGbaColor g)
{
    std::ostringstream s;
    s << "\"blue\": " << int(g.Blue) << ", \"green\": " << int(g.Green) << ", \"red\": " << int(g.Red)
      << ", \"value\": \"0x00" << ColorHex(GbaToColor(g)) << "\"";
    return s.str();
}

int ParseRole(const std::string &text)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (int role = 0; role < ColorRoleCount; ++role) {
        std::string name = ColorRoleName(role);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (lower == name || lower == std::to_string(role))
            return role;
    }
    throw UsageError("unknown colour role '" + text +
                     "' (TextBG, TextChar, TabChar, SystemBG, SystemText, SystemFrameBright, SystemFrameMask or 0..6)");
}

} // namespace

int CmdInfo(const std::vector<std::string> &args)
{
    const TArgs a(args, {}, {"json"});
    a.ExpectPositional(1);
    const std::string &rom = a.Positional()[0];
    const TMessageSink sink = StderrSink();

    TColorTable colors{};
    TBackgroundBlock bg;
    const bool haveColors = ReadColorBlock(rom, colors, sink);
    const bool haveBackground = ReadBackgroundBlock(rom, bg, sink);

    std::ostringstream out;
    if (a.Flag("json")) {
        out << "{\n  \"file\": " << JsonString(rom) << ",\n  \"colors\": ";
        if (haveColors) {
            out << "[\n";
            for (int role = 0; role < ColorRoleCount; ++role)
                out << "    {\"role\": " << JsonString(ColorRoleName(role)) << ", "
                    << TripleJson(colors[static_cast<std::size_t>(role)]) << "}"
                    << (role + 1 < ColorRoleCount ? ",\n" : "\n");
            out << "  ]";
        } else {
            out << "null";
        }
        out << ",\n  \"background\": ";
        if (haveBackground) {
            out << "{\n    \"header\": " << bg.Header << ",\n    \"blendType\": " << bg.BlendType
                << ",\n    \"textAlpha\": " << bg.TextAlpha << ",\n    \"bgAlpha\": " << bg.BGAlpha
                << ",\n    \"palette\": [\n";
            for (int i = 0; i < BackgroundPaletteEntries; ++i)
                out << "      {\"index\": " << i << ", " << TripleJson(ColorToGba(bg.Picture.Colors(i))) << "}"
                    << (i + 1 < BackgroundPaletteEntries ? ",\n" : "\n");
            out << "    ]\n  }";
        } else {
            out << "null";
        }
        out << "\n}\n";
    } else {
        out << "File: " << rom << "\n";
        if (haveColors) {
            out << "Colours:\n";
            for (int role = 0; role < ColorRoleCount; ++role)
                out << "  " << ColorListText(colors[static_cast<std::size_t>(role)], ColorRoleName(role)) << "\n";
        }
        if (haveBackground) {
            char header[8];
            std::snprintf(header, sizeof header, "%04X", bg.Header);
            out << "Background:\n  Header    0x" << header << "\n  BlendType " << bg.BlendType
                << (bg.BlendType == 0 ? " (Type:0 加色合成)" : " (unknown)") << "\n  TextAlpha " << bg.TextAlpha
                << "\n  BGAlpha   " << bg.BGAlpha << "\n  Palette (blue, green, red 0..31):\n";
            for (int i = 0; i < BackgroundPaletteEntries; ++i) {
                const TGbaColor g = ColorToGba(bg.Picture.Colors(i));
                char line[64];
                std::snprintf(line, sizeof line, "    %2d  %2d %2d %2d  0x00%s\n", i, g.Blue, g.Green, g.Red,
                              ColorHex(GbaToColor(g)).c_str());
                out << line;
            }
        }
    }
    std::cout << out.str();
    return haveColors && haveBackground ? ExitOk : ExitFailed;
}

int CmdSetColor(const std::vector<std::string> &args)
{
    const TArgs a(args, {});
    a.ExpectPositional(3);
    const std::string &rom = a.Positional()[0];
    const int role = ParseRole(a.Positional()[1]);
    const auto color = ParseColorHex(a.Positional()[2]);
    if (!color)
        throw UsageError("colour '" + a.Positional()[2] + "' is not six hexadecimal digits BBGGRR");
    const TMessageSink sink = StderrSink();
    TColorTable colors{};
    if (!ReadColorBlock(rom, colors, sink))
        return ExitFailed;
    colors[static_cast<std::size_t>(role)] = ColorToGba(*color);
    return WriteColorBlock(rom, colors, sink) ? ExitOk : ExitFailed;
}

int CmdTheme(const std::vector<std::string> &args)
{
    const TArgs a(args, {});
    a.ExpectPositional(2);
    const std::string &rom = a.Positional()[0];
    const std::string &name = a.Positional()[1];
    TTheme theme;
    if (name == "text-white-bg")
        theme = TTheme::TextWhiteBG;
    else if (name == "text-black-bg")
        theme = TTheme::TextBlackBG;
    else if (name == "system-white-bg")
        theme = TTheme::SystemWhiteBG;
    else if (name == "system-black-bg")
        theme = TTheme::SystemBlackBG;
    else
        throw UsageError("unknown theme '" + name +
                         "' (text-white-bg, text-black-bg, system-white-bg or system-black-bg)");
    const TMessageSink sink = StderrSink();
    TColorTable colors{};
    if (!ReadColorBlock(rom, colors, sink))
        return ExitFailed;
    ApplyTheme(colors, theme);
    return WriteColorBlock(rom, colors, sink) ? ExitOk : ExitFailed;
}

int CmdSetBlend(const std::vector<std::string> &args)
{
    const TArgs a(args, {"type", "text-alpha", "bg-alpha"});
    a.ExpectPositional(1);
    const std::string &rom = a.Positional()[0];
    const auto type = a.Value("type");
    const auto textAlpha = a.Value("text-alpha");
    const auto bgAlpha = a.Value("bg-alpha");
    // Parse everything before touching the file.
    const long typeValue = type ? ParseInteger(*type, "--type", 0, 2147483647) : 0;
    const long textValue = textAlpha ? ParseInteger(*textAlpha, "--text-alpha", 0, 16) : 0;
    const long bgValue = bgAlpha ? ParseInteger(*bgAlpha, "--bg-alpha", 0, 16) : 0;

    const TMessageSink sink = StderrSink();
    TBackgroundBlock bg;
    if (!ReadBackgroundBlock(rom, bg, sink))
        return ExitFailed;
    if (type)
        bg.BlendType = static_cast<std::int32_t>(typeValue);
    if (textAlpha)
        bg.TextAlpha = static_cast<std::int32_t>(textValue);
    if (bgAlpha)
        bg.BGAlpha = static_cast<std::int32_t>(bgValue);
    return WriteBackgroundBlock(rom, bg, sink) ? ExitOk : ExitFailed;
}

int CmdCopySettings(const std::vector<std::string> &args)
{
    const TArgs a(args, {});
    a.ExpectPositional(2);
    const std::string &from = a.Positional()[0];
    const std::string &to = a.Positional()[1];
    const TMessageSink sink = StderrSink();
    TColorTable colors{};
    TBackgroundBlock bg;
    // Both blocks must be read before anything is written into the target.
    if (!ReadColorBlock(from, colors, sink) || !ReadBackgroundBlock(from, bg, sink))
        return ExitFailed;
    if (!WriteColorBlock(to, colors, sink))
        return ExitFailed;
    return WriteBackgroundBlock(to, bg, sink) ? ExitOk : ExitFailed;
}

int CmdSampleRom(const std::vector<std::string> &args)
{
    const TArgs a(args, {});
    a.ExpectPositional(1);
    WriteSampleRom(a.Positional()[0]);
    return ExitOk;
}

} // namespace kelp::cli
