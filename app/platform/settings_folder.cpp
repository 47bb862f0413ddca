#include "app/platform/settings_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace tc24 {

namespace {

WritableCheck currentCheck = &directoryIsWritable;

QString toQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

bool directoryIsWritable(const std::filesystem::path& directory) {
    const QFileInfo info(toQString(directory));
    return info.isDir() && info.isWritable();
}

std::filesystem::path userConfigFolder() {
    const QString generic = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (generic.isEmpty()) {
        return {};
    }
    return QFile::encodeName(QDir(generic).filePath(QStringLiteral("tc24"))).toStdString();
}

SettingsLocation settingsLocation(const std::filesystem::path& programDirectory) {
    return chooseSettingsLocation(programDirectory, currentCheck(programDirectory),
                                  userConfigFolder());
}

WritableCheck setWritableCheck(WritableCheck check) {
    WritableCheck previous = currentCheck;
    currentCheck = check != nullptr ? check : &directoryIsWritable;
    return previous;
}

}  // namespace tc24
