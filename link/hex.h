#pragma once

// The hex text and the frame rules now live in protocol/. The window's communication log
// still includes them from here; this header goes once it includes protocol/ itself.
#include "protocol/frames.h"
#include "protocol/hex.h"

namespace tc24 {
namespace frames = protocol;
}  // namespace tc24
