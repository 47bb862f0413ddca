#include "fakes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace tc24::testing {

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("tc24-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::optional<std::string> DiskFiles::replace(const std::filesystem::path& path,
                                              std::string_view content) {
    ++writes;
    if (failWith) {
        return failWith;
    }
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return std::string("cannot create ") + temporary.string();
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out.flush()) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return std::string("cannot write ") + temporary.string();
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return ec.message();
    }
    return std::nullopt;
}

void Harness::startWithOpenPort() {
    std::ofstream(dir.path() / "comm.set", std::ios::binary) << "1,19200\r\n";
    frm.Form_Load();
    ASSERT_TRUE(port.isOpen());
    ASSERT_TRUE(state().CommReady);
}

std::vector<std::uint8_t> hexBytes(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> bytes;
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(token, nullptr, 16)));
    }
    return bytes;
}

}  // namespace tc24::testing
