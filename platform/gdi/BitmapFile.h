#pragma once

// Windows bitmap files (1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up or
// top-down, uncompressed or with bit-field masks) and JPEG files (through
// libjpeg), decoded to 32-bit RGB images. The bytes are untrusted: a file
// that is short or inconsistent fails, and so does one whose header claims
// more than maxPixels, before anything is decoded.

#include "platform/gdi/PictureFile.h"

#include <QImage>

#include <string>
#include <string_view>

namespace platform {

// bitsPerPixel, when given, receives the file's own depth.
bool DecodeBitmap(std::string_view bytes, QImage& image, int* bitsPerPixel = nullptr,
                  int64_t maxPixels = kMaxPicturePixels);
// Baseline or progressive, colour or grayscale.
bool DecodeJpeg(std::string_view bytes, QImage& image, int64_t maxPixels = kMaxPicturePixels);

// From a file (Shift_JIS path, read with ReadPictureFile): false when it
// cannot be read or decoded.
bool LoadBitmapFile(std::string_view path, QImage& image, int* bitsPerPixel = nullptr,
                    int64_t maxPixels = kMaxPicturePixels);
bool LoadJpegFile(std::string_view path, QImage& image, int64_t maxPixels = kMaxPicturePixels);

// Writes an uncompressed 24-bit bitmap (for tests and tools).
std::string EncodeBitmap24(const QImage& image);

} // namespace platform
