#include "protocol/translatable.h"

#include <vector>

namespace tc24 {

namespace {

class SourceLanguage : public Translator {
public:
    std::string translate(const char* source) const override { return source; }
};

}  // namespace

const Translator& sourceLanguage() {
    static const SourceLanguage source;
    return source;
}

std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> values(arguments);
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9') {
            const auto index = static_cast<std::size_t>(next - '1');
            if (index < values.size()) {
                text += values[index];
                ++i;
                continue;
            }
        }
        text += pattern[i];
    }
    return text;
}

}  // namespace tc24
