#pragma once

// The program's profile under Windows: an initialization file named after
// the program (Lodemar.INI), read and written with the private-profile
// functions. It lies in the user's application data folder (%APPDATA%),
// like the Linux program's ~/.config/Lodemar.ini: a bare file name would put
// it into the Windows folder, which is shared by every user, needs the
// administrator's rights (which this program runs with, for its driver) and
// is redirected per user for programs without them on later versions.
// Without %APPDATA% (the 9x family, NT 4) it lies beside the program.

#include <presenters/CProfile.h>

#include <string>

namespace win32 {

class CPrivateProfile : public presenters::CProfile {
public:
    int ReadInt(const std::string& section, const std::string& key, int defaultValue) override;
    bool WriteInt(const std::string& section, const std::string& key, int value) override;

    std::string ReadString(const std::string& section, const std::string& key);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

    // The file, in the system's code page.
    static std::string Path();
};

} // namespace win32
