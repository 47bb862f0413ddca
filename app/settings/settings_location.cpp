#include "app/settings/settings_location.h"

#include <system_error>

namespace tc24 {

namespace fs = std::filesystem;

namespace {

// Where the system's packages and `make install` put programs. A folder of the same name
// that is a link (/bin → /usr/bin on a merged /usr) is compared by what it leads to.
constexpr const char* kSystemProgramFolders[] = {
    "/usr/bin", "/usr/local/bin", "/bin", "/usr/sbin", "/usr/local/sbin", "/sbin", "/usr/games",
};

fs::path resolved(const fs::path& path) {
    std::error_code ec;
    fs::path result = fs::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : result;
}

}  // namespace

bool isInstalledProgramDirectory(const fs::path& programDirectory) {
    if (programDirectory.empty()) {
        return false;
    }
    const fs::path directory = resolved(programDirectory);
    for (const char* folder : kSystemProgramFolders) {
        if (directory == resolved(folder)) {
            return true;
        }
    }
    std::error_code ec;
    return directory.filename() == "bin" &&
           fs::is_regular_file(directory.parent_path() / "share" / "applications" / "tc24.desktop",
                               ec);
}

SettingsLocation chooseSettingsLocation(const fs::path& programDirectory,
                                        bool programDirectoryWritable,
                                        const fs::path& configFolder) {
    const bool besideProgram =
        configFolder.empty() ||
        (!isInstalledProgramDirectory(programDirectory) && programDirectoryWritable);
    return {besideProgram ? programDirectory : configFolder, programDirectory};
}

}  // namespace tc24
