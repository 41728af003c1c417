// The texts of the program's command line and start, verbatim. What its
// windows say is the presenters' (presenters/PresenterTexts.h) and the
// templates' (dialoglayout/TemplateTexts.h).
#pragma once

namespace app {

// Ours: the command line of the Linux build.
inline constexpr const char* USAGE_TEXT
    = "Usage: %s [--emulate[=MEMFILE]] | --help | --version\n"
      "  --emulate[=MEMFILE]  program an emulated keyboard whose memory is kept\n"
      "                       in MEMFILE (default: the emulator's usual file)\n"
      "  -h, --help           show this text\n"
      "  --version            show the version\n"
      "Exit status: 0 when the window has closed (or a running copy was asked to\n"
      "show its window), 1 when the program cannot run, 2 for a wrong command line.\n";
// Ours. %s the program's file name, then the version.
inline constexpr const char* VERSION_TEXT = "%s %s\n";
// Ours: what a later copy says on standard error (never a box, so that no
// script waits on one). %s the program's file name.
inline constexpr const char* MSG_ALREADY_RUNNING_SHOWN
    = "%s: a copy of the program is already running; it was asked to show its window.\n";
inline constexpr const char* MSG_ALREADY_RUNNING
    = "%s: a copy of the program is already running (it did not answer the request to show its "
      "window).\n";
// Ours: the single-instance lock (or its folder) is not the user's own.
inline constexpr const char* ERROR_LOCK_NOT_OWN
    = "%s: %s is not this user's own or is a link, so one copy at a time cannot be ensured; remove it "
      "and start the program again.\n";
inline constexpr const char* ERROR_UNKNOWN_OPTION = "%s: unknown option '%s'\n";
inline constexpr const char* ERROR_EMPTY_MEMFILE = "%s: --emulate= needs a file name\n";

} // namespace app
