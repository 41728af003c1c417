// The program's profile: an INI file named after the program (the
// application name) in the user's configuration folder, i.e.
// $XDG_CONFIG_HOME/<application name>.ini on Linux (~/.config/...),
// <local application data>/<application name>.ini on Windows
// (QStandardPaths::GenericConfigLocation). Integers are written as decimal
// text under [section].
#pragma once

#include <presenters/CProfile.h>
#include <presenters/PresenterTexts.h>

#include <QString>

namespace widgets {

inline constexpr const char* PROFILE_SETTINGS_SECTION = presenters::PROFILE_SETTINGS_SECTION;

QString profilePath();

// The integer under section/key; defaultValue when the key is missing or
// its text is not a decimal integer.
int ReadProfileInt(const QString& section, const QString& key, int defaultValue);

// Returns false when the file cannot be written.
bool WriteProfileInt(const QString& section, const QString& key, int value);

// Text under section/key; empty when the key is missing.
QString ReadProfileString(const QString& section, const QString& key);
bool WriteProfileString(const QString& section, const QString& key, const QString& value);

} // namespace widgets

namespace widgets {

// The profile above as the presenters read and write it.
class CProgramProfile : public presenters::CProfile {
public:
    int ReadInt(const std::string& section, const std::string& key, int defaultValue) override;
    bool WriteInt(const std::string& section, const std::string& key, int value) override;
};

} // namespace widgets
