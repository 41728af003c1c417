// What the driver host says on standard error, after the program's name.
#pragma once

#include <string>

namespace tavrin {

// One message of the host's on standard error, after the program's name.
void tell(const std::string& message);
// Tells message and returns code (an exit code).
int fail(int code, const std::string& message);

} // namespace tavrin
