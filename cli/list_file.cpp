#include "cli/list_file.h"

#include <QFile>

#include "protocol/hex.h"
#include "sensors/serial_list.h"

namespace tc24::cli {

namespace {

constexpr qint64 kLargestListFile = 64 * 1024;

}  // namespace

std::string listFileContent(const std::vector<ListEntry>& entries) {
    std::vector<std::string> texts;
    texts.reserve(entries.size());
    for (const ListEntry& entry : entries) {
        texts.push_back(entry ? serialNumberText(*entry) : std::string());
    }
    return sensors::serialListContent(texts);
}

ParsedList parseListFile(std::string_view content) {
    auto list = sensors::readSerialList(content, sensors::ListReading::Strict);
    return ParsedList{std::move(list.serials), std::move(list.error)};
}

}  // namespace tc24::cli

namespace tc24::cli {

ParsedList readListFile(const std::string& file) {
    QFile in(QString::fromStdString(file));
    if (!in.open(QIODevice::ReadOnly)) {
        return {{}, "cannot read " + file + ": " + in.errorString().toStdString()};
    }
    const QByteArray content = in.read(kLargestListFile + 1);
    if (content.size() > kLargestListFile) {
        return {{},
                file + " is larger than " + std::to_string(kLargestListFile / 1024) +
                    " KiB: not a serial-number list"};
    }
    auto list = parseListFile(std::string_view(content.constData(), content.size()));
    if (!list.error.empty()) {
        list.error = file + ": " + list.error;
    }
    return list;
}

}  // namespace tc24::cli
