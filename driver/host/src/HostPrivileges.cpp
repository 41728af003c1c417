#include "HostPrivileges.h"

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "HostTexts.h"

namespace tavrin {

namespace {

constexpr uid_t FALLBACK_NOBODY = 65534;
constexpr char NOBODY[] = "nobody";

} // namespace

bool endWithParent(pid_t parent)
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM, 0UL, 0UL, 0UL);
    // The parent may have ended before the request took effect.
    return parent != 1 && ::getppid() == parent;
}

bool dropPrivileges(pid_t parent, std::string& error)
{
    uid_t uid = FALLBACK_NOBODY;
    gid_t gid = FALLBACK_NOBODY;
    if (const passwd* pw = ::getpwnam(NOBODY)) {
        uid = pw->pw_uid;
        gid = pw->pw_gid;
    }
    const bool root = ::geteuid() == 0;
    if ((root
            && (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0
                || ::setresuid(uid, uid, uid) != 0))
        || ::prctl(PR_SET_NO_NEW_PRIVS, 1UL, 0UL, 0UL, 0UL) != 0) {
        error = texts::DROP_FAILED + std::string(std::strerror(errno));
        return false;
    }
    // New credentials clear the parent-death signal: ask again.
    if (!endWithParent(parent)) {
        error = texts::NO_PARENT;
        return false;
    }
    return true;
}

} // namespace tavrin
