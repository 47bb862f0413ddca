#pragma once

#include <filesystem>

namespace tc24 {

// Where comm.set and the ports/ links live. An installed program keeps its settings in the
// user's configuration folder, $XDG_CONFIG_HOME/tc24 or ~/.config/tc24 without it, even
// where it could write beside itself (run as root). Otherwise the program's directory comes
// first (a build tree, or a copied executable: a portable installation with its own
// settings), and the configuration folder only when the directory takes no new files.
std::filesystem::path settingsDirectory(const std::filesystem::path& programDirectory);

// Whether the program's directory is the `bin` of an installation: one of the system's
// program folders (/usr/bin, /usr/local/bin, …), or any `bin` with the menu entry that the
// install rules put beside it (`../share/applications/tc24.desktop`), which is how a
// `cmake --install --prefix` anywhere is told from a build tree or a copy.
bool isInstalledProgramDirectory(const std::filesystem::path& programDirectory);

// The user's configuration folder for tc24: from $XDG_CONFIG_HOME (absolute), $HOME, or the
// account's home folder; empty when none of them is known.
std::filesystem::path userConfigDirectory();

// Whether new files can be created in `directory` by this process: a directory that exists,
// with write and search permission for the effective user, on a writable file system.
bool takesNewFiles(const std::filesystem::path& directory);

// Replaces the check that settingsDirectory uses; returns the one before. Tests use it, since
// root may write into a directory whatever its permission bits say.
using DirectoryCheck = bool (*)(const std::filesystem::path&);
DirectoryCheck setDirectoryCheck(DirectoryCheck check);

}  // namespace tc24
