#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// A text an operator sees, written in the source language, Chinese. TC24_TR("tc24", "…") is
// the text itself: the libraries below the window stay free of Qt. lupdate finds each one
// (-tr-function-alias QT_TRANSLATE_NOOP+=TC24_TR) and keeps it in translations/tc24_en.ts
// under the context "tc24", where the window's Translator looks it up. Every library below the
// window marks its texts in that one context, so a text needs nothing but itself to be found.
#define TC24_TR(context, text) text

namespace tc24 {

// The context of the texts marked with TC24_TR.
inline constexpr const char* kTextContext = "tc24";

// Turns a marked text into the window's language. The window translates through Qt's
// translators; without one (the tests of the handlers, tc24-cli) a text stays as marked.
class Translator {
public:
    virtual ~Translator() = default;
    virtual std::string translate(const char* source) const = 0;
};

// Every text as marked.
const Translator& sourceLanguage();

// `pattern` with %1 … %9 replaced by the arguments, in one pass: a mark without an argument
// stays, and a mark inside an argument (a path with "%2" in it) is not replaced again.
std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> arguments);

}  // namespace tc24
