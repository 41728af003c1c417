#pragma once

// Texts between the presenters (UTF-8) and the system: the program's windows
// show captions, status lines and messages through the wide calls, so that
// any text shows as written; key text (ISO-8859-1) and paths for the ANSI
// calls keep their own conversions.

#include <string>

namespace win32 {

std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::wstring& text);
// ISO-8859-1 bytes, one character each.
std::wstring wideFromLatin1(const std::string& text);

// The program file's name without folder and extension ("Lodemar"): the
// caption of every message box, and the profile's name.
std::string applicationName();
// The folder the program file lies in, with a trailing backslash.
std::string programFolder();

} // namespace win32
