// Arbitrary text as a design's font spec: the height stays in the range
// every font user can negate.

#include "engine/window/FontSpec.h"
#include "platform/gdi/TFont.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string spec(reinterpret_cast<const char*>(data), size);
    std::string name = "Old";
    int height = -12, charset = 1;
    uint8_t style = 0;
    ParseFontSpec(spec, name, height, charset, style);
    if (style > 15 || charset < 0 || charset > 255) __builtin_trap();
    if (height == 0 || height < -platform::kMaxFontHeight || height > platform::kMaxFontHeight)
        __builtin_trap();
    return 0;
}
