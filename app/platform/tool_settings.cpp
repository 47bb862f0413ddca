#include "app/platform/tool_settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace tc24 {

namespace {

constexpr const char* kEchoKey = "line/echoSuppression";
constexpr const char* kLanguageKey = "window/language";

QString toQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

std::string_view languageCode(WindowLanguage language) {
    return language == WindowLanguage::English ? "en" : "zh";
}

std::optional<WindowLanguage> languageFromCode(std::string_view code) {
    if (code == "zh") {
        return WindowLanguage::Chinese;
    }
    if (code == "en") {
        return WindowLanguage::English;
    }
    return std::nullopt;
}

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
    settings.language = languageFromCode(file.value(kLanguageKey).toString().toStdString())
                            .value_or(settings.language);
    return settings;
}

std::optional<std::string> writeToolSettings(const SettingsLocation& location,
                                             const ToolSettings& settings) {
    if (!QDir().mkpath(toQString(location.folder))) {
        return "cannot create " + location.folder.string();
    }
    QSettings file(toQString(toolSettingsPath(location)), QSettings::IniFormat);
    file.setValue(kEchoKey, settings.echoSuppression);
    const std::string_view code = languageCode(settings.language);
    file.setValue(kLanguageKey,
                  QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size())));
    file.sync();  // QSettings writes through a temporary file and renames it
    if (file.status() != QSettings::NoError) {
        return "cannot write " + toolSettingsPath(location).string();
    }
    return std::nullopt;
}

}  // namespace tc24
