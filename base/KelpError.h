#pragma once
// Errors raised below the windows: I/O failures, undecodable pictures, broken
// invariants. Each carries the whole story as text, naming the file and the cause.
#include <stdexcept>
#include <string>

namespace kelp {

class KelpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A broken internal invariant; the text always holds "Assertion failure".
class KelpAssertion : public KelpError {
public:
    using KelpError::KelpError;
};

[[noreturn]] void RaiseAssertion(const char *expression, const char *file, int line);

} // namespace kelp

#define KELP_ASSERT(expr) \
    ((expr) ? static_cast<void>(0) : ::kelp::RaiseAssertion(#expr, __FILE__, __LINE__))
