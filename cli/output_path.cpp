#include "cli/output_path.h"

#include <system_error>

namespace tc24::cli {

namespace {

const char* kindOf(std::filesystem::file_type type) {
    switch (type) {
        case std::filesystem::file_type::directory:
            return "a directory";
        case std::filesystem::file_type::character:
        case std::filesystem::file_type::block:
            return "a device";
        case std::filesystem::file_type::fifo:
            return "a FIFO";
        case std::filesystem::file_type::socket:
            return "a socket";
        default:
            return "not a regular file";
    }
}

}  // namespace

OutputPath checkOutputPath(const std::filesystem::path& given) {
    namespace fs = std::filesystem;
    OutputPath path;
    std::error_code error;
    path.resolved = fs::weakly_canonical(fs::absolute(given, error), error);
    if (error) {
        path.refusal = given.string() + ": " + error.message();
        return path;
    }
    const fs::file_status status = fs::status(path.resolved, error);
    if (status.type() == fs::file_type::not_found) {
        const fs::path folder = path.resolved.parent_path();
        if (!fs::is_directory(folder, error)) {
            path.refusal = given.string() + ": the folder " + folder.string() + " does not exist";
        }
        return path;
    }
    if (error) {
        path.refusal = given.string() + ": " + error.message();
        return path;
    }
    path.exists = true;
    if (status.type() != fs::file_type::regular) {
        const std::string shown = path.resolved == fs::absolute(given)
                                      ? given.string()
                                      : given.string() + " (" + path.resolved.string() + ")";
        path.refusal = shown + " is " + kindOf(status.type()) +
                       ", not a file for results; it is left as it is";
    }
    return path;
}

}  // namespace tc24::cli
