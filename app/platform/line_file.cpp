#include "app/platform/line_file.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "protocol/translatable.h"

namespace tc24 {

namespace {

std::optional<std::string> writeAll(QFile& file, std::string_view bytes) {
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || !file.flush()) {
        return file.errorString().toStdString();
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> LineFile::open(const std::filesystem::path& path,
                                          std::string_view header) {
    close();
    const QString name = QFile::decodeName(QByteArray::fromStdString(path.string()));
    if (const QFileInfo info(name); info.exists() && !info.isFile()) {
        // In the window's language; tc24-cli installs no translation.
        return QCoreApplication::translate(kTextContext, TC24_TR("tc24", "不是普通文件"))
            .toStdString();
    }
    file_.setFileName(name);
    // Unbuffered: each line goes to the system in one write, none waits in Qt's buffer.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        return file_.errorString().toStdString();
    }
    if (file_.size() == 0) {
        if (auto error = writeAll(file_, header)) {
            file_.close();
            return error;
        }
    }
    path_ = path;
    return std::nullopt;
}

std::optional<std::string> LineFile::append(std::string_view line) {
    if (!file_.isOpen()) {
        return std::string("no file is open");
    }
    return writeAll(file_, line);
}

void LineFile::close() {
    if (file_.isOpen()) {
        file_.close();
    }
}

}  // namespace tc24
