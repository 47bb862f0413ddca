#pragma once

#include <filesystem>
#include <string>

namespace tc24::cli {

// Where a result file may be written: a regular file (replaced or appended to) or a path that
// does not exist yet, with symbolic links resolved, so that a link is followed and never
// replaced by a file. A device, FIFO, socket or directory is refused and left as it was.
struct OutputPath {
    std::filesystem::path resolved;  // the file to write
    bool exists = false;
    std::string refusal;  // why the path cannot take results; empty when it can
};

OutputPath checkOutputPath(const std::filesystem::path& given);

}  // namespace tc24::cli
