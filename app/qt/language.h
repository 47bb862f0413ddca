#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "app/platform/tool_settings.h"
#include "protocol/translatable.h"
#include "record/record.h"

namespace tc24 {

// The window's title, and the title of a message box that has none of its own.
inline constexpr const char* kApplicationTitle = TC24_TR("tc24", "tc24 24路温度采集模块测试工具");

// Installs the application's translators for `language`: in English tc24's own translation
// (tc24_en.qm, which the build makes from translations/tc24_en.ts into the program's
// resources); in Chinese, the language the texts are written in, Qt's own texts in Chinese
// (qtbase_zh_CN.qm from Qt's translations folder, Debian's qt6-translations-l10n), so that a
// Chinese window shows no "OK" or "Cancel". Every widget is then told (QEvent::LanguageChange,
// posted), unless that language is in force already. False when a translation could not be
// loaded: those texts stay as written.
bool installLanguage(WindowLanguage language);
// The language installed last; Chinese before any.
WindowLanguage installedLanguage();
// The commissioning record's language for the installed one.
record::Language recordLanguage();

// A text marked with TC24_TR, in the installed language.
QString translatedText(const char* source);
// The application's title in the installed language.
QString applicationTitle();

// The handlers' texts (Window::translated) through the application's translators.
class ApplicationTranslator : public Translator {
public:
    std::string translate(const char* source) const override;
};

// `tc24 --lang en|zh` (or --lang=en): the language asked for on the command line, which wins
// over the saved choice for this run; nothing when the option is not given, and a message for a
// value that is neither. The other arguments are Qt's or nobody's and are left alone.
struct LanguageOption {
    std::optional<WindowLanguage> language;
    QString error;
};
LanguageOption languageOption(const QStringList& arguments);

}  // namespace tc24
