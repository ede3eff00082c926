// Arbitrary bytes as a Windows bitmap file: the reader fails cleanly or
// gives an image of the size it claims, never over the pixel limit.

#include "platform/gdi/BitmapFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    QImage image;
    int bits = 0;
    if (platform::DecodeBitmap(bytes, image, &bits)) {
        if (image.isNull() || image.width() <= 0 || image.height() <= 0 ||
            static_cast<int64_t>(image.width()) * image.height() > platform::kMaxPicturePixels ||
            image.format() != QImage::Format_RGB32)
            __builtin_trap();
        image.pixel(image.width() - 1, image.height() - 1);
    }
    return 0;
}
