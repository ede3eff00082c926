// Arbitrary bytes as a picture file: the bitmap reader and the JPEG decoder
// must fail cleanly or give an image of the size they claim.

#include "platform/gdi/BitmapFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    QImage image;
    int bits = 0;
    if (platform::DecodeBitmap(bytes, image, &bits)) {
        if (image.isNull() || image.width() <= 0 || image.height() <= 0) __builtin_trap();
        image.pixel(image.width() - 1, image.height() - 1);
    }
    QImage jpeg;
    if (platform::DecodeJpeg(bytes, jpeg) && jpeg.isNull()) __builtin_trap();
    return 0;
}
