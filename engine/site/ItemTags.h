#pragma once

// What the extraction reads from the tags of one page item: the tag names it
// holds anywhere, and the one it starts with, by ASCII names in any letter
// case. Bytes are compared as they stand: no lead byte is ASCII, so a run of
// bytes that matches an ASCII name is a run of single-byte characters.

#include <cstddef>
#include <cstring>
#include <string_view>

// s at pos starts with word (lower-case ASCII) in any letter case.
inline bool StartsWithFolded(std::string_view s, size_t pos, std::string_view word) {
    if (s.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = s[pos + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != word[i]) return false;
    }
    return true;
}

class ItemTags {
public:
    // What a tag does to the extended rules' blocks.
    enum class Structure {
        None,
        HeadingOpen,
        HeadingClose,
        SectionOpen,
        SectionClose,
        TimeOpen,
        TimeClose
    };

    // line: a trimmed item; firstTag: the position of its first "<".
    ItemTags(std::string_view line, size_t firstTag);

    // The tag names found after any "<" of the item, as a search of the
    // whole lower-cased item would find them.
    bool body = false, meta = false, table = false, hr = false, th = false, td = false, li = false,
         ol = false, a = false, base = false, link = false;

    // The item's first bytes, lower-cased.
    std::string_view Head() const { return {head_, headSize_}; }

    // The whole item is one of names (lower case), in any letter case.
    // Names of known length compare as a few words, not a call each.
    template <size_t... N> bool Is(const char (&... names)[N]) const {
        return ((whole_.size() == N - 1 && std::memcmp(whole_.data(), names, N - 1) == 0) || ...);
    }

    // The item starts with the tag name (with its "<"), not with a longer
    // name that starts with it: "<a" is no "<abbr>", "<base" no "<basefont>".
    bool IsTag(std::string_view name) const;

    // What the item's first tag does to the extended rules' blocks.
    Structure GetStructure() const;

private:
    // Long enough for every name asked about and the byte after it; an item
    // longer than this equals none of the names.
    static constexpr size_t kHead = 10;
    char head_[16] = {}; // all folded at once, past kHead too
    size_t headSize_;
    std::string_view whole_; // Head() when it is the whole item
};
