#include "CVorelinCommand.h"
#include "VorelinTexts.h"

#include <lodemar/CLockFile.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool inGroup(gid_t group)
{
    if (::getegid() == group)
        return true;
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    for (int i = 0; i < count; ++i)
        if (groups[i] == group)
            return true;
    return false;
}

} // namespace

void diagnosePort(const std::string& port, std::string& reason, std::string& hint)
{
    using namespace VorelinTexts;
    hint.clear();
    struct stat st { };
    if (::stat(port.c_str(), &st) != 0) {
        reason = std::strerror(errno);
        return;
    }
    if (!S_ISCHR(st.st_mode)) {
        reason = NOT_A_DEVICE;
        return;
    }
    const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        reason = std::strerror(error);
        // Serial ports belong to a group (dialout on Debian) whose members may open them.
        if (error == EACCES && (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)
            && !inGroup(st.st_gid)) {
            const struct group* owner = ::getgrgid(st.st_gid);
            const std::string name = owner != nullptr ? owner->gr_name : std::to_string(st.st_gid);
            char line[512];
            std::snprintf(line, sizeof line, GROUP_HINT, port.c_str(), name.c_str(), name.c_str());
            hint = line;
        }
        return;
    }
    if (!::isatty(fd))
        reason = NOT_A_TERMINAL;
    else if (lodemar::tryFlock(fd, LOCK_EX) == EWOULDBLOCK)
        reason = HELD;
    else
        reason = NO_REASON;
    ::close(fd);
}
