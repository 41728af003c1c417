// What the serving process of the real keyboard's host is left with, after
// the manner of OpenSSH's privilege-separated child: the suite's own system
// user (no groups, no capabilities, not even in its bounding set, no way to
// gain rights), no keyboard controller ports, resource limits that leave it
// only what serving needs (no new processes, no files written, no core
// dump), and a seccomp filter that kills it at the first system call
// serving does not use. It keeps only descriptors it was given.
#pragma once

#include <sys/types.h>

#include <string>

#include <tavrin/TavrinPaths.h>

namespace tavrin {

// The serving process runs as SERVING_USER (TavrinPaths.h), the suite's
// system user; a test build of the host compiles in a number of its own
// instead (TAVRIN_SERVING_UID in HardwareMain.cpp).

struct ServingIdentity {
    uid_t uid = 0;
    gid_t gid = 0;
};

// The user of that name and its group, for the serving process. A missing
// user, or one that is root, is refused with a message.
bool servingIdentityOf(const char* name, ServingIdentity& identity, std::string& error);

// Gives up the rights: as root, the capability bounding set, supplementary
// groups and root itself (to identity); in every case port access, and any
// way to gain rights through set-id programs. Asks again for the signal
// that ends it with monitor. False with a message.
bool dropRights(const ServingIdentity* identity, pid_t monitor, std::string& error);

// The resource limits and the system call filter; after it, only what
// serving the socket needs is left. False with a message.
bool confineServing(std::string& error);

} // namespace tavrin
