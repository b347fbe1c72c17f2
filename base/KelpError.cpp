#include "base/KelpError.h"

namespace kelp {

void RaiseAssertion(const char *expression, const char *file, int line)
{
    throw KelpAssertion(std::string("Assertion failure (") + expression + ") at " + file + ", line " +
                        std::to_string(line));
}

} // namespace kelp
