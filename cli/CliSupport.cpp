#include "cli/CliSupport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>

namespace kelp::cli {

TArgs::TArgs(const std::vector<std::string> &args, const std::vector<std::string> &valueOptions,
             const std::vector<std::string> &flagOptions)
{
    auto contains = [](const std::vector<std::string> &v, const std::string &s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    };
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (onlyPositional || a.size() < 2 || a.rfind("--", 0) != 0) {
            if (!onlyPositional && a.size() >= 2 && a[0] == '-' && a[1] != '-' && !std::isdigit(static_cast<unsigned char>(a[1])))
                throw UsageError("unknown option " + a);
            positional_.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a.substr(2);
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (contains(flagOptions, name)) {
            if (inlineValue)
                throw UsageError("option --" + name + " takes no value");
            flags_.push_back(name);
        } else if (contains(valueOptions, name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size())
                    throw UsageError("option --" + name + " needs a value");
                inlineValue = args[++i];
            }
            values_.emplace_back(name, *inlineValue);
        } else {
            throw UsageError("unknown option --" + name);
        }
    }
}

void TArgs::ExpectPositional(std::size_t count) const
{
    if (positional_.size() < count)
        throw UsageError("missing arguments");
    if (positional_.size() > count)
        throw UsageError("unexpected argument " + positional_[count]);
}

std::optional<std::string> TArgs::Value(const std::string &name) const
{
    std::optional<std::string> result;
    for (const auto &[n, v] : values_)
        if (n == name)
            result = v; // the last one given wins
    return result;
}

bool TArgs::Flag(const std::string &name) const
{
    return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

long ParseInteger(const std::string &text, const std::string &what, long min, long max)
{
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < min || v > max)
        throw UsageError(what + " must be a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'");
    return v;
}

TMessageSink StderrSink()
{
    return [](const std::string &text) {
        // The core's texts use CR LF line breaks; a terminal wants plain LF.
        std::string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                out += text[i];
        std::cerr << out << '\n';
    };
}

} // namespace kelp::cli
