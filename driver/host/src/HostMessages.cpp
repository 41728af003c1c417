#include "HostMessages.h"

#include <cerrno>
#include <cstdio>

namespace tavrin {

void tell(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, message.c_str());
}

int fail(int code, const std::string& message)
{
    tell(message);
    return code;
}

} // namespace tavrin
