// CProgrammerApp: the program's start-up. One copy at a time; the main
// window's modal loop is the program's life.
#pragma once

namespace app {

inline constexpr int EXIT_USAGE = 2;

class CProgrammerApp {
public:
    // Runs the program: a second copy returns 0 at once without showing
    // anything; a bad command line prints the usage and returns EXIT_USAGE.
    int Run(int& argc, char** argv);
};

} // namespace app
