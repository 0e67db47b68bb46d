// The player's settings: every key path is "Software/Sonabel/sonabel/" + name, stored in the
// settings file (platform/settings.h). StoreToRegistry and ReadFromRegistry keep the codes the
// rest of the player knows: kZErrRegistryAccessFailed (-17) when a value is absent or cannot be
// written, kZErrIllegalParameter (-4) for a key path without a section.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ztools/base/zstring.h"

namespace ZTools {

inline constexpr const char* kSettingsRoot = "Software/Sonabel/sonabel/";

// The key path of a setting name ("archive", "windowrect", "skins/<name>").
inline std::string SettingKey(std::string_view name) { return kSettingsRoot + std::string(name); }

int32_t StoreToRegistry(const ZString& value, std::string_view keyPath);
// Replaces value with the stored text and answers 0, or answers kZErrRegistryAccessFailed leaving
// value unchanged.
int32_t ReadFromRegistry(ZString& value, std::string_view keyPath);

}  // namespace ZTools
