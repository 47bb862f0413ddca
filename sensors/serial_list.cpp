#include "sensors/serial_list.h"

namespace tc24::sensors {

std::string serialListContent(const std::vector<std::string>& entries) {
    std::string content = std::to_string(entries.size()) + "\r\n";
    for (const std::string& entry : entries) {
        content += '"';
        content += entry;
        content += "\"\r\n";
    }
    return content;
}

}  // namespace tc24::sensors
