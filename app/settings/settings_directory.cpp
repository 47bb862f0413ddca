#include "app/settings/settings_directory.h"

#include <cstdlib>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#endif

namespace tc24 {

namespace fs = std::filesystem;

namespace {

DirectoryCheck currentCheck = &takesNewFiles;

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
#ifndef _WIN32
    // Started without a HOME (by a service manager, say): the account's home folder.
    if (const passwd* account = ::getpwuid(::geteuid());
        account != nullptr && account->pw_dir != nullptr && *account->pw_dir == '/') {
        return fs::path(account->pw_dir) / ".config" / "tc24";
    }
#endif
    return {};
}

fs::path settingsDirectory(const fs::path& programDirectory) {
    if (!isInstalledProgramDirectory(programDirectory) && currentCheck(programDirectory)) {
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
