/* The test machine's pkexec (it has no polkit): what pkexec does for a
 * caller it authorises, and only for the real keyboard's installed host.
 * Installed set-user-id root; runs the host as root in a cleaned
 * environment with PKEXEC_UID naming the caller, as pkexec would. */
#define _GNU_SOURCE
#include <grp.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    static const char host[] = "/usr/libexec/tavrin";
    char caller[32];
    char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
    char* environment[] = { caller, path, NULL };

    if (argc < 2 || strcmp(argv[1], host) != 0) {
        fprintf(stderr, "pkexec: this machine runs only %s\n", host);
        return 127;
    }
    snprintf(caller, sizeof caller, "PKEXEC_UID=%u", (unsigned)getuid());
    if (setresgid(0, 0, 0) != 0 || setgroups(0, NULL) != 0 || setresuid(0, 0, 0) != 0) {
        perror("pkexec");
        return 127;
    }
    execve(host, argv + 1, environment);
    perror("pkexec");
    return 127;
}
