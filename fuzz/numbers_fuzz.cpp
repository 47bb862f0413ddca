// Arbitrary text through the number rules: whatever passes the numeric test must convert,
// and conversions must agree with each other.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/numbers.h"

using namespace tc24::numbers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool numeric = isNumeric(text);
    const auto value = parse(text);
    if (value && !numeric) {
        std::abort();  // a value from text the numeric test refuses
    }
    if (value) {
        const double down = roundDown(*value);
        const double nearest = roundHalfEven(*value);
        // (For tiny negatives value - down rounds to exactly 1 in floating point.)
        if (down > *value || *value - down > 1 || std::abs(nearest - *value) > 0.5) {
            std::abort();
        }
        if (const auto byte = toByte(down); byte && *byte != down) {
            std::abort();
        }
        (void)toInt16(nearest);
        (void)toText(*value);
        (void)byteRoundedDown(text);
    }
    return 0;
}
