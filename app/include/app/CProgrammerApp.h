// CProgrammerApp: the program's start-up. One copy at a time; the main
// window's modal loop is the program's life.
#pragma once

#include <app/ProgramOptions.h>

#include <presenters/CMainDialogPresenter.h>

class QWidget;

namespace app {

// Why the driver channel made for options did not load, as lodemar-cli
// says it.
presenters::LoadFailureReason ProgramLoadFailureReason(const ProgramOptions& options);

// A later copy ends with 0: what the user asked for, the program's window,
// is there.
inline constexpr int EXIT_ALREADY_RUNNING = 0;
inline constexpr int EXIT_LOCK_REFUSED = 1;
inline constexpr int EXIT_USAGE = 2;

class CProgrammerApp {
public:
    // Runs the program: a later copy asks the running one to show its
    // window, says so on standard error and returns EXIT_ALREADY_RUNNING
    // without showing anything; a lock that is not the user's own gives
    // EXIT_LOCK_REFUSED; a bad command line prints the usage and returns
    // EXIT_USAGE.
    int Run(int& argc, char** argv);
};

// Shows window (restored if minimised) above the others and activates it,
// and then the modal box over it, if one is open.
void BringToFront(QWidget* window);

} // namespace app
