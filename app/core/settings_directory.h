#pragma once

#include <filesystem>

namespace tc24 {

// Where comm.set and the ports/ links live. The program's directory comes first (a copied
// executable is a portable installation with its own settings); when it does not take new
// files (installed under /usr/bin), the user's configuration folder is used instead:
// $XDG_CONFIG_HOME/tc24, or ~/.config/tc24 without it.
std::filesystem::path settingsDirectory(const std::filesystem::path& programDirectory);

// The user's configuration folder for tc24; empty when neither $XDG_CONFIG_HOME (absolute)
// nor $HOME is set.
std::filesystem::path userConfigDirectory();

// Whether new files can be created in `directory` by this process: a directory that exists,
// with write and search permission for the effective user, on a writable file system.
bool takesNewFiles(const std::filesystem::path& directory);

// Replaces the check that settingsDirectory uses; returns the one before. Tests use it, since
// root may write into a directory whatever its permission bits say.
using DirectoryCheck = bool (*)(const std::filesystem::path&);
DirectoryCheck setDirectoryCheck(DirectoryCheck check);

}  // namespace tc24
