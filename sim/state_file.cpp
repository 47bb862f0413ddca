#include "sim/state_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "sim/module.h"

namespace tc24::sim {

std::map<int, std::uint8_t> loadAddresses(const std::string& path) {
    std::map<int, std::uint8_t> addresses;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string moduleWord, addressWord;
        int module = 0;
        int address = 0;
        if (words >> moduleWord >> module >> addressWord >> address && moduleWord == "module" &&
            addressWord == "address" && module >= 1 && address >= kLowestStation &&
            address <= kHighestStation) {
            addresses[module] = static_cast<std::uint8_t>(address);
        }
    }
    return addresses;
}

bool saveAddresses(const std::string& path, const std::vector<std::uint8_t>& addresses) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) {
            return false;
        }
        out << "# tc24-sim state: bus address of each module\n";
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            out << "module " << i + 1 << " address " << static_cast<int>(addresses[i]) << '\n';
        }
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace tc24::sim
