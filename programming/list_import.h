#pragma once

#include "link/window.h"

namespace tc24::programming {

// "从文件导入序列号": load a serial-number list into SnFileList and list it in TXTSN.
void cmdOpenFile_Click(Window& window);

}  // namespace tc24::programming
