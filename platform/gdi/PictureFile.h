#pragma once

// Limits for untrusted pictures (designs are downloaded), and the one way
// their files are read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// No skin comes near these. A picture over them is refused before a pixel
// is decoded, as a missing one would be.
constexpr size_t kMaxPictureFileBytes = 64u * 1024 * 1024;
constexpr int64_t kMaxPicturePixels = 16LL * 1024 * 1024;
// A button strip holds four frames side by side.
constexpr int64_t kMaxStripPixels = 4 * kMaxPicturePixels;

// The bytes of a regular file of at most kMaxPictureFileBytes (Shift_JIS
// path). Devices, FIFOs, folders and larger files fail without blocking
// or reading them.
bool ReadPictureFile(std::string_view sjisPath, std::string& bytes);

} // namespace platform
