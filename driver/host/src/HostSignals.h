// How a driver host starts: with the signal state it chose rather than the
// one its caller left, ended by the end of the program that started it, and
// with every termination signal arriving through a descriptor, so that the
// serving loop finishes its request, gives the keyboard port back and
// removes its socket whatever signal comes.
#pragma once

#include <sys/types.h>

namespace tavrin {

// Every disposition back to its default and no signal blocked: an ignored
// SIGCHLD, say, would make the host's children vanish unseen.
void resetInheritedSignals();

// Blocks every signal whose default ends the process (but those the
// process raises itself on a fault) and returns a signalfd that receives
// them; -1 on failure. SIGPIPE is ignored: a peer that hung up is seen as
// an error of the call.
int openStopSignals();

// Asks for SIGTERM when the process that started this one ends; false if
// that process has already gone (parent is its pid, read before).
bool endWithParent(pid_t parent);

// A descriptor (a pidfd) that becomes readable when the process that
// started this one ends; -1 where the kernel offers none. endWithParent is
// not enough for a host pkexec made root: the kernel sends the parent-death
// signal only where the parent could have sent it itself, and a user's
// program cannot signal root's process.
int watchParent(pid_t parent);

// Started with more rights than the user who ran it (set-user-id,
// set-group-id or file capabilities).
bool startedSetId();

} // namespace tavrin
