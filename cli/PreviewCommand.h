#pragma once
// The emulated GBA screen of a ROM, written as a PNG.
#include <string>
#include <vector>

namespace kelp::cli {

int CmdPreview(const std::vector<std::string> &args);

} // namespace kelp::cli
