#pragma once

// The program's profile: integers kept by section and key between runs (the
// progress window's last position). Each front end has its store: an INI
// file in the user's configuration folder under Linux, the private-profile
// functions under Windows.

#include <string>

namespace presenters {

class CProfile {
public:
    virtual ~CProfile() = default;

    // The integer under section/key; defaultValue when it is missing or is
    // not a decimal integer.
    virtual int ReadInt(const std::string& section, const std::string& key, int defaultValue) = 0;
    // Written as decimal text; false when the profile cannot be written.
    virtual bool WriteInt(const std::string& section, const std::string& key, int value) = 0;
};

} // namespace presenters
