// Arbitrary bytes as a block's text, read by the stamp search under both
// rule sets: it must end, and what it matches must be a whole run of
// characters that is either a bracket group or the end of the text.

#include "engine/site/StampFinder.h"
#include "platform/text/SjisString.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool startsGroup(std::string_view s, bool extended) {
    if (s.empty()) return false;
    char c = s[0];
    if (c == '(' || c == '<' || c == '[') return true;
    // （ ［ 〈 ＜
    if (s.starts_with("\x81\x69") || s.starts_with("\x81\x6D") || s.starts_with("\x81\x71") ||
        s.starts_with("\x81\x83"))
        return true;
    // 【 〔 《
    return extended &&
           (s.starts_with("\x81\x79") || s.starts_with("\x81\x6B") || s.starts_with("\x81\x73"));
}

bool isBoundary(std::string_view s, size_t at) {
    size_t i = 0;
    while (i < at)
        i += platform::SjisCharLength(s, i);
    return i == at;
}

void check(std::string_view s, bool extended) {
    std::optional<StampMatch> m = FindStamp(s, extended);
    if (!m) return;
    if (m->length == 0 || m->pos > s.size() || m->length > s.size() - m->pos) __builtin_trap();
    if (!isBoundary(s, m->pos) || !isBoundary(s, m->pos + m->length)) __builtin_trap();
    std::string_view match = s.substr(m->pos, m->length);
    bool digit = match[0] >= '0' && match[0] <= '9';
    bool wideDigit = extended && match.size() >= 2 && match[0] == '\x82' &&
                     static_cast<unsigned char>(match[1]) >= 0x4F &&
                     static_cast<unsigned char>(match[1]) <= 0x58;
    if (!startsGroup(match, extended) && !((digit || wideDigit) && m->pos + m->length == s.size()))
        __builtin_trap();
    std::atomic<bool> aborting{true};
    if (FindStamp(s, extended, &aborting)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view s(reinterpret_cast<const char*>(data), size);
    check(s, false);
    check(s, true);
    return 0;
}
