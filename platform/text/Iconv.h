#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace platform {

// One iconv conversion descriptor. Not shareable between threads: callers
// borrow one at a time (see Cp932.cpp).
class Iconv {
public:
    Iconv(const char* to, const char* from);
    ~Iconv();
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts what it can of in into out. Stops at the first byte sequence
    // that cannot be converted and returns how many input bytes were used;
    // consumed == in.size() means everything was converted.
    size_t convert(std::string_view in, std::string& out);

private:
    iconv_t cd_;
};

} // namespace platform
