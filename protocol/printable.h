#pragma once

#include <string>
#include <string_view>

namespace tc24 {

// Bytes from outside (a file, a reply, an argument) made safe to quote in a message shown
// on a terminal or in a window: printable ASCII and valid UTF-8 stay as they are, so Chinese
// text stays readable; control characters (C0, DEL and the C1 code points U+0080 to U+009F)
// and bytes that are not valid UTF-8 become "\xNN", one per byte, in lower-case hex
// (ESC is "\x1b"). A backslash stays as it is.
std::string printableText(std::string_view bytes);

}  // namespace tc24
