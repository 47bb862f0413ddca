#include "app/core/settings_directory.h"

#include <cstdlib>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tc24 {

namespace fs = std::filesystem;

namespace {

DirectoryCheck currentCheck = &takesNewFiles;

}  // namespace

bool takesNewFiles(const fs::path& directory) {
    std::error_code ec;
    if (!fs::is_directory(directory, ec) || ec) {
        return false;
    }
#ifdef _WIN32
    return true;
#else
    // The effective user's permissions; a read-only mount fails with EROFS even for root.
    return ::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
#endif
}

fs::path userConfigDirectory() {
    // The XDG base directory rules: a relative $XDG_CONFIG_HOME is invalid and ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != 0) {
        const fs::path path(config);
        if (path.is_absolute()) {
            return path / "tc24";
        }
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
        return fs::path(home) / ".config" / "tc24";
    }
    return {};
}

fs::path settingsDirectory(const fs::path& programDirectory) {
    if (currentCheck(programDirectory)) {
        return programDirectory;
    }
    fs::path user = userConfigDirectory();
    // Without a home there is nowhere better: writing then fails with the system's reason.
    return user.empty() ? programDirectory : user;
}

DirectoryCheck setDirectoryCheck(DirectoryCheck check) {
    DirectoryCheck previous = currentCheck;
    currentCheck = check != nullptr ? check : &takesNewFiles;
    return previous;
}

}  // namespace tc24
