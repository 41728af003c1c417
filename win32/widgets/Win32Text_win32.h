#pragma once

// Texts between the presenters and the system. The program speaks to the
// system through its ANSI calls: the presenters' own texts are ASCII and
// paths come from the system's file choosers in its code page (a path
// outside that code page cannot be opened; a known limit). Key text is
// ISO-8859-1 and shows through the wide calls, byte for character.

#include <string>

namespace win32 {

// ISO-8859-1 bytes, one character each.
std::wstring wideFromLatin1(const std::string& text);

// The program file's name without folder and extension ("Lodemar"): the
// caption of every message box, and the profile's name.
std::string applicationName();
// The folder the program file lies in, with a trailing backslash.
std::string programFolder();

} // namespace win32
