#pragma once
// Commands that bring a picture in: the whole import, and the reduction alone.
#include <string>
#include <vector>

namespace kelp::cli {

int CmdImport(const std::vector<std::string> &args);
int CmdReduce(const std::vector<std::string> &args);

} // namespace kelp::cli
