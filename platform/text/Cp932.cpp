#include "platform/text/Cp932.h"

#include "platform/text/Iconv.h"
#include "platform/text/SjisString.h"

#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// glibc's "CP932" rather than "SHIFT_JIS": the latter rejects the vendor
// characters (～ ① 髙) that Japanese pages are full of.
constexpr const char* kCp932 = "CP932";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Converters are lent for one call from a small pool. Not thread-local:
// a thread-local object with a destructor pins the library it lives in
// until its thread ends, and the engine library must unload cleanly.
class ConverterPool {
public:
    ConverterPool(const char* to, const char* from) : to_(to), from_(from) {}

    class Lease {
    public:
        Lease(ConverterPool& pool, std::unique_ptr<Iconv> cd) : pool_(pool), cd_(std::move(cd)) {}
        ~Lease() { pool_.giveBack(std::move(cd_)); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Iconv& operator*() const { return *cd_; }

    private:
        ConverterPool& pool_;
        std::unique_ptr<Iconv> cd_;
    };

    Lease take() {
        {
            std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<Iconv> cd = std::move(idle_.back());
                idle_.pop_back();
                return Lease(*this, std::move(cd));
            }
        }
        return Lease(*this, std::make_unique<Iconv>(to_, from_));
    }

private:
    void giveBack(std::unique_ptr<Iconv> cd) {
        std::lock_guard lock(mutex_);
        idle_.push_back(std::move(cd));
    }

    const char* to_;
    const char* from_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Iconv>> idle_;
};

ConverterPool& sjisToUtf8Converters() {
    static ConverterPool pool("UTF-8", kCp932);
    return pool;
}

ConverterPool& utf8ToSjisConverters() {
    static ConverterPool pool(kCp932, "UTF-8");
    return pool;
}

// Length of the UTF-8 sequence that starts with b; 1 for a stray byte.
size_t utf8SequenceLength(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4) return 4;
    if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2) return 2;
    return 1;
}

} // namespace

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    out.reserve(sjis.size() * 3 / 2);
    ConverterPool::Lease lease = sjisToUtf8Converters().take();
    Iconv& cd = *lease;
    while (!sjis.empty()) {
        size_t used = cd.convert(sjis, out);
        sjis.remove_prefix(used);
        if (sjis.empty() || !cd.valid()) break;
        // Skip the whole unconvertible character, never half of it; a lead
        // byte whose next byte cannot be its trail (a line break, an "=")
        // goes alone and leaves that byte be.
        size_t bad = IsSjisLeadByte(static_cast<unsigned char>(sjis[0])) && sjis.size() > 1 &&
                             IsSjisTrailByte(static_cast<unsigned char>(sjis[1]))
                         ? 2
                         : 1;
        out += kReplacementUtf8;
        sjis.remove_prefix(bad);
    }
    return out;
}

std::string Utf8ToSjis(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    ConverterPool::Lease lease = utf8ToSjisConverters().take();
    Iconv& cd = *lease;
    while (!utf8.empty()) {
        size_t used = cd.convert(utf8, out);
        utf8.remove_prefix(used);
        if (utf8.empty() || !cd.valid()) break;
        size_t bad = std::min(utf8SequenceLength(static_cast<unsigned char>(utf8[0])), utf8.size());
        // A sequence cut short by the next lead byte loses only its own bytes.
        for (size_t i = 1; i < bad; ++i) {
            if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
                bad = i;
                break;
            }
        }
        out += '?';
        utf8.remove_prefix(bad);
    }
    return out;
}

std::u16string SjisToUtf16(std::string_view sjis) {
    std::string utf8 = SjisToUtf8(sjis);
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        size_t n = utf8SequenceLength(b);
        if (n == 1)
            cp = b;
        else if (n == 2)
            cp = (b & 0x1F);
        else if (n == 3)
            cp = (b & 0x0F);
        else
            cp = (b & 0x07);
        for (size_t k = 1; k < n && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToSjis(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 2);
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        }
        uint16_t c = cp == 0 ? 0 : UnicodeToSjis(cp);
        if (cp == 0)
            out += '\0';
        else if (c == 0)
            out += '?';
        else if (c < 0x100)
            out += static_cast<char>(c);
        else {
            out += static_cast<char>(c >> 8);
            out += static_cast<char>(c & 0xFF);
        }
    }
    return out;
}

uint16_t UnicodeToSjis(char32_t codePoint) {
    // Asking iconv for every BMP code point once (about 4 ms) gives its exact
    // choices, including the one-way mappings such as U+301C -> 0x8160.
    static const std::unique_ptr<std::array<uint16_t, 0x10000>> table = [] {
        auto t = std::make_unique<std::array<uint16_t, 0x10000>>();
        t->fill(0);
        Iconv cd(kCp932, "UTF-32LE");
        std::string out;
        for (char32_t u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF) continue;
            char in[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF), 0, 0};
            out.clear();
            if (cd.convert(std::string_view(in, 4), out) != 4) continue;
            if (out.size() == 1)
                (*t)[u] = static_cast<unsigned char>(out[0]);
            else if (out.size() == 2)
                (*t)[u] = static_cast<uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                                static_cast<unsigned char>(out[1]));
        }
        return t;
    }();
    return codePoint < 0x10000 ? (*table)[codePoint] : 0;
}

} // namespace platform
