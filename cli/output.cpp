#include "cli/output.h"

namespace tc24::cli {

bool StreamOutput::write(std::string_view text) {
    stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(stream_);
}

bool StreamOutput::flush() {
    stream_.flush();
    return static_cast<bool>(stream_);
}

DescriptorOutput::DescriptorOutput(int descriptor, std::string name) : name_(std::move(name)) {
    file_.open(descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered,
               QFileDevice::DontCloseHandle);
}

bool DescriptorOutput::write(std::string_view text) {
    if (!file_.isOpen()) {
        return false;
    }
    const char* data = text.data();
    qint64 left = static_cast<qint64>(text.size());
    while (left > 0) {
        const qint64 written = file_.write(data, left);
        if (written <= 0) {
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool DescriptorOutput::flush() {
    return file_.isOpen() && file_.error() == QFileDevice::NoError;
}

}  // namespace tc24::cli
