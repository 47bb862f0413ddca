#include "app/platform/tool_settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace tc24 {

namespace {

constexpr const char* kEchoKey = "line/echoSuppression";

QString toQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

std::filesystem::path toolSettingsPath(const SettingsLocation& location) {
    return location.folder / "tc24.ini";
}

ToolSettings readToolSettings(const SettingsLocation& location) {
    ToolSettings settings;
    const QString path = toQString(toolSettingsPath(location));
    if (!QFile::exists(path)) {
        return settings;
    }
    const QSettings file(path, QSettings::IniFormat);
    settings.echoSuppression = file.value(kEchoKey, settings.echoSuppression).toBool();
    return settings;
}

std::optional<std::string> writeToolSettings(const SettingsLocation& location,
                                             const ToolSettings& settings) {
    if (!QDir().mkpath(toQString(location.folder))) {
        return "cannot create " + location.folder.string();
    }
    QSettings file(toQString(toolSettingsPath(location)), QSettings::IniFormat);
    file.setValue(kEchoKey, settings.echoSuppression);
    file.sync();  // QSettings writes through a temporary file and renames it
    if (file.status() != QSettings::NoError) {
        return "cannot write " + toolSettingsPath(location).string();
    }
    return std::nullopt;
}

}  // namespace tc24
