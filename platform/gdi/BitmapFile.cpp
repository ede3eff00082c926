#include "platform/gdi/BitmapFile.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr int32_t kMaxSide = 32768;

uint16_t u16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}

uint32_t u32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(u16(b, at)) | static_cast<uint32_t>(u16(b, at + 2)) << 16;
}

// Value of a masked channel scaled to 0..255.
uint8_t channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    uint32_t bits = mask >> shift;
    uint32_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>(value * 255 / bits);
}

} // namespace

bool DecodeBitmap(std::string_view b, QImage& image, int* bitsPerPixel, int64_t maxPixels) {
    if (b.size() < 14 + 12 || b[0] != 'B' || b[1] != 'M') return false;
    uint32_t offBits = u32(b, 10);
    uint32_t headerSize = u32(b, 14);
    int32_t width, height;
    uint16_t bpp;
    uint32_t compression = 0, colorsUsed = 0;
    size_t paletteEntry = 4;
    if (headerSize == 12) {
        width = u16(b, 18);
        height = static_cast<int16_t>(u16(b, 20));
        bpp = u16(b, 24);
        paletteEntry = 3;
    } else if (headerSize >= 40 && b.size() >= 14 + 40) {
        width = static_cast<int32_t>(u32(b, 18));
        height = static_cast<int32_t>(u32(b, 22));
        bpp = u16(b, 28);
        compression = u32(b, 30);
        colorsUsed = u32(b, 46);
    } else {
        return false;
    }
    bool topDown = height < 0;
    if (height == INT32_MIN) return false;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<int64_t>(width) * height > maxPixels)
        return false;

    uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    if (bpp == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (compression == 3) { // BI_BITFIELDS
        if ((bpp != 16 && bpp != 32) || b.size() < 14 + 40 + 12) return false;
        for (int i = 0; i < 3; ++i)
            masks[i] = u32(b, 14 + 40 + 4 * i);
    } else if (compression != 0) {
        return false; // run-length and embedded formats: not for skins
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;

    std::vector<QRgb> palette;
    if (bpp <= 8) {
        uint32_t count = colorsUsed != 0 && colorsUsed < (1u << bpp) ? colorsUsed : (1u << bpp);
        size_t at = 14 + headerSize;
        if (at > b.size() || (b.size() - at) / paletteEntry < count) return false;
        for (uint32_t i = 0; i < count; ++i, at += paletteEntry)
            palette.push_back(qRgb(static_cast<uint8_t>(b[at + 2]), static_cast<uint8_t>(b[at + 1]),
                                   static_cast<uint8_t>(b[at])));
    }

    size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    if (offBits > b.size() || (b.size() - offBits) / stride < static_cast<size_t>(height))
        return false;

    QImage out(width, height, QImage::Format_RGB32);
    if (out.isNull()) return false;
    for (int32_t row = 0; row < height; ++row) {
        const char* src = b.data() + offBits + static_cast<size_t>(row) * stride;
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(topDown ? row : height - 1 - row));
        for (int32_t x = 0; x < width; ++x) {
            QRgb pixel;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                size_t bit = static_cast<size_t>(x) * bpp;
                auto byte = static_cast<uint8_t>(src[bit / 8]);
                uint32_t index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                pixel = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                uint32_t v = u16(std::string_view(src, stride), static_cast<size_t>(x) * 2);
                pixel = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                break;
            }
            case 24:
                pixel =
                    qRgb(static_cast<uint8_t>(src[x * 3 + 2]), static_cast<uint8_t>(src[x * 3 + 1]),
                         static_cast<uint8_t>(src[x * 3]));
                break;
            default: {
                uint32_t v = u32(std::string_view(src, stride), static_cast<size_t>(x) * 4);
                pixel = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                break;
            }
            }
            dst[x] = pixel;
        }
    }
    image = std::move(out);
    if (bitsPerPixel) *bitsPerPixel = bpp;
    return true;
}

bool LoadBitmapFile(std::string_view path, QImage& image, int* bitsPerPixel, int64_t maxPixels) {
    std::string bytes;
    return ReadPictureFile(path, bytes) && DecodeBitmap(bytes, image, bitsPerPixel, maxPixels);
}

std::string EncodeBitmap24(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    size_t stride = ((static_cast<size_t>(image.width()) * 24 + 31) / 32) * 4;
    uint32_t dataSize = static_cast<uint32_t>(stride * image.height());
    std::string out(54 + dataSize, '\0');
    auto put16 = [&](size_t at, uint16_t v) {
        out[at] = char(v & 0xFF), out[at + 1] = char(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, uint16_t(v & 0xFFFF)), put16(at + 2, uint16_t(v >> 16));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(image.width()));
    put32(22, static_cast<uint32_t>(image.height()));
    put16(26, 1);
    put16(28, 24);
    put32(34, dataSize);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(image.height() - 1 - y));
        char* dst = out.data() + 54 + static_cast<size_t>(y) * stride;
        for (int x = 0; x < image.width(); ++x) {
            dst[x * 3] = char(qBlue(line[x]));
            dst[x * 3 + 1] = char(qGreen(line[x]));
            dst[x * 3 + 2] = char(qRed(line[x]));
        }
    }
    return out;
}

} // namespace platform
