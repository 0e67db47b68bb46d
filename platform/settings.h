// The settings file: the program's persistent settings as text values, addressed by key paths
// ("Software/Sonabel/sonabel/archive", '\' or '/' between the components: the last one names the
// value, the ones before it its section). The file is $XDG_CONFIG_HOME/sonabel/settings.ini (default ~/.config);
// SONABEL_SETTINGS_FILE names another file (tests).
//
// Names and values are escaped, so no value can add a line, a section or another setting. Each
// store takes a lock, reads the file again and changes only its own entry, so two running
// players keep each other's writes; the new file is written beside the old one (mode 0600),
// flushed to disk and renamed over it, so a crash leaves either the old or the new file. A file
// that cannot be read or parsed reads as no settings and is never overwritten.
#pragma once

#include <string>
#include <string_view>

namespace Platform {

inline constexpr int kSettingsFailed = -17;  // absent, unreadable, or not written
inline constexpr int kSettingsBadPath = -4;  // a key path without a section

// The settings file's path.
std::string SettingsFilePath();

// The value at keyPath ('\' or '/' separate the components): 0, or kSettingsFailed with `value`
// left as it was.
int ReadSetting(std::string_view keyPath, std::string& value);

// Stores value at keyPath: 0, kSettingsBadPath, or kSettingsFailed.
int StoreSetting(std::string_view keyPath, std::string_view value);

}  // namespace Platform
