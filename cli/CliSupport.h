#pragma once
// Small helpers shared by the command implementations: argument parsing,
// exit statuses, the stderr message sink.
#include "base/MessageSink.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelp::cli {

enum ExitStatus : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitError = 3 };

// A command-line mistake: reported with the command's usage, exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Positional arguments and --name value / --name=value options of one command.
class TArgs {
public:
    TArgs(const std::vector<std::string> &args, const std::vector<std::string> &valueOptions,
          const std::vector<std::string> &flagOptions = {});

    const std::vector<std::string> &Positional() const { return positional_; }
    void ExpectPositional(std::size_t count) const;
    std::optional<std::string> Value(const std::string &name) const;
    bool Flag(const std::string &name) const;

private:
    std::vector<std::string> positional_;
    std::vector<std::pair<std::string, std::string>> values_;
    std::vector<std::string> flags_;
};

long ParseInteger(const std::string &text, const std::string &what, long min, long max);

TMessageSink StderrSink();

} // namespace kelp::cli
