#pragma once
// Commands over the ROM settings blocks.
#include <string>
#include <vector>

namespace kelp::cli {

int CmdInfo(const std::vector<std::string> &args);
int CmdSetColor(const std::vector<std::string> &args);
int CmdTheme(const std::vector<std::string> &args);
int CmdSetBlend(const std::vector<std::string> &args);
int CmdCopySettings(const std::vector<std::string> &args);
int CmdSampleRom(const std::vector<std::string> &args);

} // namespace kelp::cli
