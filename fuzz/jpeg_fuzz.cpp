// Arbitrary bytes as a JPEG file: libjpeg's errors come back as failures,
// and a decoded picture is 32-bit and within the pixel limit.

#include "platform/gdi/BitmapFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    QImage image;
    if (platform::DecodeJpeg(bytes, image)) {
        if (image.isNull() || image.format() != QImage::Format_RGB32 ||
            static_cast<int64_t>(image.width()) * image.height() > platform::kMaxPicturePixels)
            __builtin_trap();
        image.pixel(image.width() - 1, image.height() - 1);
    }
    return 0;
}
