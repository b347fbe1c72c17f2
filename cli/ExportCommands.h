#pragma once
// Commands that write pictures out of a ROM image.
#include <string>
#include <vector>

namespace kelp::cli {

int CmdExportBg(const std::vector<std::string> &args);

} // namespace kelp::cli
