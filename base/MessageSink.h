#pragma once
// Where the core reports its own failures (a missing file, a missing marker):
// the editor shows a message box, the command line prints to stderr, tests collect.
#include <functional>
#include <string>

namespace kelp {

using TMessageSink = std::function<void(const std::string &text)>;

} // namespace kelp
