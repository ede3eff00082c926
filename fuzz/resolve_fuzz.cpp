// Arbitrary link and base: resolving, decoding and cleaning must never crash
// and a resolved link keeps the base's scheme or its own.

#include "engine/inet/TUrl.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t split = input.find('\0');
    std::string base = split == std::string::npos ? input : input.substr(0, split);
    std::string link = split == std::string::npos ? std::string() : input.substr(split + 1);

    TUrl url(base);
    url.GetFileName();
    url.GetDir();
    std::string resolved = url.Resolve(link);
    CleanURL(resolved);
    DecodeURL(link);
    bool kept = resolved == link || resolved == "http:" + link;
    if (!kept && !resolved.starts_with(url.GetScheme() + "://")) __builtin_trap();
    return 0;
}
