#pragma once

// CProgrammerApp: the program's start on Windows. One copy at a time, by the
// named mutex "TAVRIN_LODEMAR" (a later copy ends at once, silently); the
// common controls; then the main window, whose modal loop is the program's
// life. The mutex is released only after the window's channel has removed
// the driver, so that a copy started meanwhile cannot load it while this one
// removes it.

namespace win32 {

class CProgrammerApp {
public:
    int Run();
};

} // namespace win32
