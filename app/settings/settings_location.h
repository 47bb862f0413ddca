#pragma once

#include <filesystem>

namespace tc24 {

// Where comm.set and the ports/ links live.
struct SettingsLocation {
    // Where they are written, and read first.
    std::filesystem::path folder;
    // The program's own directory: where the folder is the user's configuration folder, a
    // comm.set or ports/ link shipped beside the program is still read until the user saves
    // one of their own.
    std::filesystem::path programDirectory;
};

// Whether the program's directory is the `bin` of an installation: one of the system's
// program folders (/usr/bin, /usr/local/bin, …), or any `bin` with the menu entry that the
// install rules put beside it (`../share/applications/tc24.desktop`), which is how a
// `cmake --install --prefix` anywhere is told from a build tree or a copy.
bool isInstalledProgramDirectory(const std::filesystem::path& programDirectory);

// An installed program keeps its settings in the user's configuration folder for tc24
// (`configFolder`), even where it could write beside itself (run as root). Otherwise the
// program's directory comes first (a build tree, or a copied executable: a portable
// installation with its own settings), and the configuration folder only when the program
// may not create files in its directory. Without a configuration folder there is nowhere
// better than the program's directory.
SettingsLocation chooseSettingsLocation(const std::filesystem::path& programDirectory,
                                        bool programDirectoryWritable,
                                        const std::filesystem::path& configFolder);

}  // namespace tc24
