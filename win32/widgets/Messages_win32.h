#pragma once

// The one place the Win32 front end shows message boxes: modal over owner,
// captioned with the application name, with the icon and buttons the
// presenters name.

#include <presenters/CFrontEndServices.h>

#include <windows.h>

#include <string>

namespace win32 {

// The text is in the system's code page (the presenters' texts are ASCII,
// paths come from the system's file choosers). Save/Discard/Cancel shows as Yes/No/Cancel (the
// system's box has no other buttons).
presenters::MessageAnswer ShowMessage(HWND owner, const std::string& text, presenters::MessageIcon icon,
    presenters::MessageButtons buttons = presenters::MessageButtons::Ok);

} // namespace win32
