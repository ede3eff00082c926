#include "engine/site/ItemTags.h"

#include <algorithm>

namespace {

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool endsName(char c) {
    return c == ' ' || c == '>' || c == '\t' || c == '\r' || c == '\n' || c == '/';
}

} // namespace

ItemTags::ItemTags(std::string_view line, size_t firstTag)
    : headSize_(std::min(line.size(), kHead)) {
    std::memcpy(head_, line.data(), headSize_);
    for (char& c : head_)
        c = folded(c);
    if (line.size() <= kHead) whole_ = Head();

    // A "<" (0x3C) is never a trail byte, so looking only where a "<" stands
    // finds exactly what a search of the whole lower-cased item would, at a
    // fraction of the cost.
    for (size_t p = firstTag; p != std::string_view::npos; p = line.find('<', p + 1)) {
        if (p + 1 >= line.size()) break;
        // Most names are told by their second letter.
        char second = p + 2 < line.size() ? folded(line[p + 2]) : 0;
        switch (folded(line[p + 1])) {
        case 'a':
            a = true;
            break;
        case 'b':
            body = body || StartsWithFolded(line, p, "<body");
            base = base || StartsWithFolded(line, p, "<base");
            break;
        case 'h':
            hr = hr || second == 'r';
            break;
        case 'l':
            li = li || second == 'i';
            link = link || (second == 'i' && StartsWithFolded(line, p, "<link"));
            break;
        case 'm':
            meta = meta || StartsWithFolded(line, p, "<meta");
            break;
        case 'o':
            ol = ol || second == 'l';
            break;
        case 't':
            table = table || (second == 'a' && StartsWithFolded(line, p, "<table"));
            th = th || second == 'h';
            td = td || second == 'd';
            break;
        default:
            break;
        }
    }
}

bool ItemTags::IsTag(std::string_view name) const {
    std::string_view low = Head();
    if (!low.starts_with(name)) return false;
    return low.size() == name.size() || endsName(low[name.size()]);
}

ItemTags::Structure ItemTags::GetStructure() const {
    std::string_view low = Head();
    if (low.size() < 3 || low[0] != '<') return Structure::None;
    bool close = low[1] == '/';
    std::string_view name = low.substr(close ? 2 : 1);
    auto named = [&](std::string_view n) {
        if (!name.starts_with(n)) return false;
        return name.size() == n.size() || endsName(name[n.size()]);
    };
    switch (name[0]) {
    case 'h':
        if (name.size() > 1 && name[1] >= '1' && name[1] <= '6' && named(name.substr(0, 2)))
            return close ? Structure::HeadingClose : Structure::HeadingOpen;
        if (named("header")) break;
        return Structure::None;
    case 'd':
        if (named("div") || named("dd") || named("dt") || named("dl")) break;
        return Structure::None;
    case 'a':
        if (named("article") || named("aside")) break;
        return Structure::None;
    case 's':
        if (named("section")) break;
        return Structure::None;
    case 'f':
        if (named("footer") || named("figure")) break;
        return Structure::None;
    case 'm':
        if (named("main")) break;
        return Structure::None;
    case 'n':
        if (named("nav")) break;
        return Structure::None;
    case 't':
        if (named("time")) return close ? Structure::TimeClose : Structure::TimeOpen;
        return Structure::None;
    default:
        return Structure::None;
    }
    return close ? Structure::SectionClose : Structure::SectionOpen;
}
