#include "tools/demoserver/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <type_traits>

namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Iconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

} // namespace

bool TextCodec::ToUtf8(const std::string& bytes, std::string& utf8) const {
    return convert("UTF-8", code_.c_str(), bytes, utf8);
}

bool TextCodec::FromUtf8(const std::string& utf8, std::string& bytes) const {
    return convert(code_.c_str(), "UTF-8", utf8, bytes);
}

bool TextCodec::convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) return false;
    Iconv cd(raw);
    out.clear();
    std::string source(in);
    char* inPtr = source.data();
    size_t inLeft = source.size();
    char buffer[4096];
    // Each round either consumes input or fails, and the final call with no
    // input writes at most one shift sequence.
    for (bool flushing = false;;) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = flushing ? iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft)
                             : iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
        if (rc == static_cast<size_t>(-1)) continue;
        if (flushing) return true;
        flushing = true;
    }
}
