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
