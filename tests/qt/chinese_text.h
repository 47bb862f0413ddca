#pragma once

// Whether a text an English window shows still holds Chinese: CJK ideographs, CJK punctuation
// ("，", "：") or full-width forms ("（", "！").

#include <QString>

namespace tc24::testing {

inline bool hasChinese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3000 && u <= 0x303F) ||
            (u >= 0xFF00 && u <= 0xFFEF)) {
            return true;
        }
    }
    return false;
}

}  // namespace tc24::testing
