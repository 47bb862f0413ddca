#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/settings/settings_location.h"

namespace tc24 {

// The window's language. Chinese is the language the texts are written in, and the default
// whatever the system's locale.
enum class WindowLanguage { Chinese, English };

// "zh" and "en", as tc24.ini and `tc24 --lang` spell them.
std::string_view languageCode(WindowLanguage language);
std::optional<WindowLanguage> languageFromCode(std::string_view code);

// tc24.ini beside comm.set: the settings that comm.set's one line has no room for, shared by
// the window and tc24-cli. comm.set keeps its own format; this file is Qt's INI format.
struct ToolSettings {
    // The line echoes every request before the reply (a 2-wire RS-485 adapter whose receiver
    // stays on): the echo is recognised and dropped.
    bool echoSuppression = false;
    // The language the operator chose on the window's tool bar; an unknown value reads as
    // Chinese.
    WindowLanguage language = WindowLanguage::Chinese;
};

std::filesystem::path toolSettingsPath(const SettingsLocation& location);

// Missing keys (or a missing file) keep their defaults.
ToolSettings readToolSettings(const SettingsLocation& location);

// Writes the file whole, creating the settings folder when needed; the reason when it could
// not be written.
std::optional<std::string> writeToolSettings(const SettingsLocation& location,
                                             const ToolSettings& settings);

}  // namespace tc24
