#include "platform/text/SjisString.h"

namespace platform {

namespace {

constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

template <char (*Map)(char)> std::string mapCase(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size();) {
        if (IsSjisLeadByte(static_cast<unsigned char>(out[i]))) {
            i += 2;
        } else {
            out[i] = Map(out[i]);
            ++i;
        }
    }
    return out;
}

// Finds needle in haystack (both already folded if needed), but only where a
// character starts.
size_t findAtBoundary(std::string_view haystack, std::string_view needle, size_t from) {
    if (from > haystack.size()) return std::string_view::npos;
    // A byte below 0x40 is never a trail byte: any hit on one is a boundary.
    if (!needle.empty() && static_cast<unsigned char>(needle[0]) < 0x40)
        return haystack.find(needle, from);
    size_t boundary = from;
    size_t start = from;
    while (true) {
        size_t hit = haystack.find(needle, start);
        if (hit == std::string_view::npos) return hit;
        while (boundary < hit)
            boundary += SjisCharLength(haystack, boundary);
        if (boundary == hit) return hit;
        start = hit + 1;
    }
}

template <bool NoCase>
std::string replace(std::string_view s, std::string_view from, std::string_view to, bool all) {
    if (from.empty()) return std::string(s);
    std::string folded;
    std::string_view where = s;
    if (NoCase) {
        folded = SjisLowerCase(s);
        where = folded;
    }
    std::string needle = NoCase ? SjisLowerCase(from) : std::string(from);
    std::string out;
    size_t pos = 0;
    while (true) {
        size_t hit = findAtBoundary(where, needle, pos);
        if (hit == std::string_view::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
        if (!all) break;
    }
    out.append(s.substr(pos));
    return out;
}

} // namespace

std::string SjisLowerCase(std::string_view s) {
    return mapCase<asciiLower>(s);
}
std::string SjisUpperCase(std::string_view s) {
    return mapCase<asciiUpper>(s);
}

size_t SjisFind(std::string_view haystack, std::string_view needle, size_t from) {
    return findAtBoundary(haystack, needle, from);
}

size_t SjisFindNoCase(std::string_view haystack, std::string_view needle, size_t from) {
    if (needle.empty()) return from <= haystack.size() ? from : std::string_view::npos;
    for (size_t i = from; i + needle.size() <= haystack.size(); i += SjisCharLength(haystack, i)) {
        // Character by character: only single-byte characters fold.
        size_t j = 0;
        while (j < needle.size()) {
            size_t len = SjisCharLength(needle, j);
            if (len == 2) {
                if (haystack[i + j] != needle[j] || haystack[i + j + 1] != needle[j + 1]) break;
            } else if (asciiLower(haystack[i + j]) != asciiLower(needle[j]) ||
                       IsSjisLeadByte(static_cast<unsigned char>(haystack[i + j]))) {
                break;
            }
            j += len;
        }
        if (j >= needle.size()) return i;
    }
    return std::string_view::npos;
}

bool SjisContains(std::string_view haystack, std::string_view needle) {
    return SjisFind(haystack, needle) != std::string_view::npos;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(a[i]))) {
            if (a[i] != b[i] || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
            ++i;
        } else if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string SjisReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    return replace<false>(s, from, to, true);
}

std::string SjisReplaceAllNoCase(std::string_view s, std::string_view from, std::string_view to) {
    return replace<true>(s, from, to, true);
}

std::string SjisReplaceFirst(std::string_view s, std::string_view from, std::string_view to) {
    return replace<false>(s, from, to, false);
}

std::string Trim(std::string_view s) {
    return std::string(TrimView(s));
}

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= 0x20)
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= 0x20)
        --e;
    return std::string(s.substr(0, e));
}

} // namespace platform
