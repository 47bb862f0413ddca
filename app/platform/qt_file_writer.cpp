#include "app/platform/qt_file_writer.h"

#include <QFile>
#include <QSaveFile>

namespace tc24 {

std::optional<std::string> QtFileWriter::replace(const std::filesystem::path& path,
                                                 std::string_view content) {
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path.string())));
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString().toStdString();
    }
    const auto size = static_cast<qint64>(content.size());
    if (file.write(content.data(), size) != size) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) {
        return file.errorString().toStdString();
    }
    return std::nullopt;
}

}  // namespace tc24
