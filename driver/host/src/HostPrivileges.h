// What the host for the real keyboard gives up once it holds the keyboard
// port and its socket: root. It keeps only descriptors opened before.
#pragma once

#include <sys/types.h>

#include <string>

namespace tavrin {

// Asks for SIGTERM when the process that started this one ends; false if
// that process has already gone (parent is its pid, read before).
bool endWithParent(pid_t parent);

// Becomes the unprivileged user "nobody" (no supplementary groups, no
// capabilities, no way back through set-id programs). False with a message.
bool dropPrivileges(pid_t parent, std::string& error);

} // namespace tavrin
