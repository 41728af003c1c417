// What the serving process of the real keyboard's host gives up: root, and
// any way to gain rights. It keeps only descriptors opened before.
#pragma once

#include <sys/types.h>

#include <string>

namespace tavrin {

// Asks for SIGTERM when the process that started this one ends; false if
// that process has already gone (parent is its pid, read before).
bool endWithParent(pid_t parent);

// As root, becomes the unprivileged user "nobody" (no supplementary groups,
// no capabilities); in every case gives up gaining rights through set-id
// programs, and ends with parent. False with a message.
bool dropPrivileges(pid_t parent, std::string& error);

} // namespace tavrin
