#include "ServingConfinement.h"

#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <seccomp.h>

#include <cerrno>
#include <cstring>

#include "HostSignals.h"
#include "HostTexts.h"

#if defined(__linux__) && (defined(__i386__) || defined(__x86_64__))
#include <sys/io.h>
#define TAVRIN_HAS_PORTS 1
#endif

namespace tavrin {

namespace {

// Every system call serving makes: the socket and the device (poll, read,
// write, accept, credentials, the monitor's messages), the clock and its
// waits, memory, signals through the descriptor, and the end. Names unknown
// on an architecture are skipped.
constexpr const char* SERVING_CALLS[] = {
    "read",
    "readv",
    "write",
    "writev",
    "close",
    "poll",
    "ppoll",
    "ppoll_time64",
    "recvfrom",
    "recvmsg",
    "sendto",
    "sendmsg",
    "accept4",
    "getsockopt",
    "fstat",
    "fstat64",
    "newfstatat",
    "statx",
    "lseek",
    "_llseek",
    "clock_gettime",
    "clock_gettime64",
    "clock_nanosleep",
    "clock_nanosleep_time64",
    "nanosleep",
    "gettimeofday",
    "brk",
    "munmap",
    "mremap",
    "madvise",
    "futex",
    "futex_time64",
    "getpid",
    "gettid",
    "rt_sigprocmask",
    "rt_sigreturn",
    "sigreturn",
    "restart_syscall",
    "exit",
    "exit_group",
};

// The address sanitizer's runtime checks memory through a pipe of its own
// and takes its signal stack down at the end;
// in such a test build that is allowed too.
#if defined(__SANITIZE_ADDRESS__)
#define TAVRIN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVRIN_SANITIZED 1
#endif
#endif
#if TAVRIN_SANITIZED
constexpr const char* SANITIZER_CALLS[] = { "pipe", "pipe2", "sched_yield", "sigaltstack" };
#else
constexpr const char* SANITIZER_CALLS[] = { nullptr };
#endif

// Limits a serving process needs: its few descriptors (socket, eight
// connections and one being turned away, the monitor, the device, the
// signals, the standard three) and nothing to create.
constexpr rlim_t SERVING_DESCRIPTORS = 32;

bool limit(int resource, rlim_t value)
{
    rlimit current {};
    if (::getrlimit(resource, &current) != 0)
        return false;
    // Never raised: a caller's lower limit stays.
    const rlim_t wanted = current.rlim_max < value ? current.rlim_max : value;
    const rlimit next { wanted, wanted };
    return ::setrlimit(resource, &next) == 0;
}

bool dropBoundingSet()
{
    for (int cap = 0; cap < 64; ++cap)
        if (::prctl(PR_CAPBSET_DROP, cap, 0UL, 0UL, 0UL) != 0 && errno != EINVAL)
            return false;
    return ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0UL, 0UL, 0UL) == 0 || errno == EINVAL;
}

bool dropPorts()
{
#if TAVRIN_HAS_PORTS
    // Inherited from the monitor across fork; turning them off needs no right.
    return ::ioperm(0, 0x10000, 0) == 0 || errno == ENOSYS;
#else
    return true;
#endif
}

bool loadFilter()
{
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (filter == nullptr)
        return false;
    bool ok = true;
    for (const char* name : SERVING_CALLS) {
        const int call = ::seccomp_syscall_resolve_name(name);
        if (call != __NR_SCMP_ERROR && ::seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) != 0)
            ok = false;
    }
    for (const char* name : SANITIZER_CALLS) {
        const int call = name != nullptr ? ::seccomp_syscall_resolve_name(name) : __NR_SCMP_ERROR;
        if (call != __NR_SCMP_ERROR && ::seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) != 0)
            ok = false;
    }
    // Memory, but never executable memory.
    for (const char* name : { "mmap", "mmap2" }) {
        const int call = ::seccomp_syscall_resolve_name(name);
        if (call != __NR_SCMP_ERROR
            && ::seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 1, SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0))
                != 0)
            ok = false;
    }
    ok = ok && ::seccomp_load(filter) == 0;
    ::seccomp_release(filter);
    return ok;
}

} // namespace

bool servingIdentityOf(const char* name, ServingIdentity& identity, std::string& error)
{
    const passwd* user = ::getpwnam(name);
    if (user == nullptr) {
        error = texts::NO_SERVING_USER;
        return false;
    }
    if (user->pw_uid == 0 || user->pw_gid == 0) {
        error = texts::BAD_SERVING_USER + std::string(name);
        return false;
    }
    identity = ServingIdentity { user->pw_uid, user->pw_gid };
    return true;
}

bool dropRights(const ServingIdentity* identity, pid_t monitor, std::string& error)
{
    const bool root = ::geteuid() == 0;
    if (!dropPorts()
        || (root
            && (identity == nullptr || !dropBoundingSet() || ::setgroups(0, nullptr) != 0
                || ::setresgid(identity->gid, identity->gid, identity->gid) != 0
                || ::setresuid(identity->uid, identity->uid, identity->uid) != 0))
        || ::prctl(PR_SET_NO_NEW_PRIVS, 1UL, 0UL, 0UL, 0UL) != 0) {
        error = texts::DROP_FAILED + std::string(std::strerror(errno));
        return false;
    }
    // New credentials clear the parent-death signal: ask again.
    if (!endWithParent(monitor)) {
        error = texts::NO_PARENT;
        return false;
    }
    return true;
}

bool confineServing(std::string& error)
{
    if (!limit(RLIMIT_NPROC, 0) || !limit(RLIMIT_FSIZE, 0) || !limit(RLIMIT_CORE, 0)
        || !limit(RLIMIT_NOFILE, SERVING_DESCRIPTORS) || !limit(RLIMIT_MEMLOCK, 0)
        || !limit(RLIMIT_MSGQUEUE, 0) || !loadFilter()) {
        error = texts::CONFINE_FAILED + std::string(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace tavrin
