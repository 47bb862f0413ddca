#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "link/control_names.h"
#include "link/window.h"

namespace tc24::programming {

// "从文件导入序列号": load a serial-number list into SnFileList and list it in TXTSN.
void cmdOpenFile_Click(Window& window);

// Fields of a list entry: split at every single blank, each field without surrounding
// blanks; two blanks in a row give an empty field, an empty entry has no fields.
std::vector<std::string> entryFields(std::string_view entry);

// Puts fields 1 … 8 of SnFileList entry `entry` into txtSenseSn_0 … txtSenseSn_7. False when
// the index lies outside 0 … 128 or the entry has fewer than eight fields; the boxes filled
// before the missing field keep their new text.
bool fillSerialBoxes(Window& window, double entry);

}  // namespace tc24::programming
