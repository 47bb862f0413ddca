#pragma once

#include <filesystem>

#include "app/settings/settings_location.h"

namespace tc24 {

// The settings location of a program in `programDirectory`, as the window and tc24-cli use
// it: the program's directory when it is a portable copy that may create files there,
// otherwise the user's configuration folder for tc24 (~/.config/tc24 on Linux, from Qt's
// standard locations; see settings_location.h for the rule).
SettingsLocation settingsLocation(const std::filesystem::path& programDirectory);

// The user's configuration folder for tc24: the generic configuration location Qt finds
// ($XDG_CONFIG_HOME or ~/.config on Linux) and tc24 in it, whatever the program calls itself,
// so that the window and tc24-cli share one. Empty when there is none.
std::filesystem::path userConfigFolder();

// Whether this process may create files in `directory`.
bool directoryIsWritable(const std::filesystem::path& directory);

// Replaces the check settingsLocation() uses; returns the one before. Tests use it, since
// root may write into a directory whatever its permission bits say.
using WritableCheck = bool (*)(const std::filesystem::path&);
WritableCheck setWritableCheck(WritableCheck check);

}  // namespace tc24
