#include "engine/inet/TUrl.h"

#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <vector>

using platform::IsSjisLeadByte;

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// Position just after the last separator, stepping over two-byte
// characters: a backslash can be the trail byte of a kanji such as "表".
size_t afterLastSeparator(std::string_view s) {
    size_t after = 0;
    for (size_t i = 0; i < s.size(); i += platform::SjisCharLength(s, i))
        if (!IsSjisLeadByte(static_cast<unsigned char>(s[i])) && isSeparator(s[i])) after = i + 1;
    return after;
}

// Splits at every slash and backslash: a leading separator gives an empty
// first segment, a trailing one adds nothing.
std::vector<std::string_view> splitSegmentViews(std::string_view s) {
    std::vector<std::string_view> segments;
    segments.reserve(8);
    size_t start = 0;
    for (size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        if (isSeparator(static_cast<char>(b))) {
            segments.push_back(s.substr(start, i - start));
            start = i + 1;
        }
        i += IsSjisLeadByte(b) && i + 1 < s.size() ? 2 : 1;
    }
    if (start < s.size()) segments.push_back(s.substr(start));
    return segments;
}

bool hasKnownScheme(std::string_view link) {
    // Every such scheme ends with a colon within its first 11 characters.
    size_t colon = link.find(':');
    if (colon == std::string_view::npos || colon > 10) return false;
    static constexpr std::string_view schemes[] = {
        "http:", "https:", "ftp:", "mailto:", "file:", "news:", "javascript:", "vbscript:"};
    for (std::string_view s : schemes)
        if (platform::StartsWithNoCase(link, s)) return true;
    return false;
}

uint16_t defaultPortOfName(std::string_view scheme) {
    if (platform::EqualsNoCase(scheme, "http")) return 80;
    if (platform::EqualsNoCase(scheme, "ftp")) return 21;
    if (platform::EqualsNoCase(scheme, "https")) return 443;
    if (platform::EqualsNoCase(scheme, "gopher")) return 70;
    return 0;
}

} // namespace

TUrl::TUrl(std::string_view url) {
    SetURL(url);
}

void TUrl::SetURL(std::string_view url) {
    URL = DecodeURL(url);
    if (!CrackUrl(URL, parts_)) parts_ = UrlComponents{};
    // A bare host gets the root path.
    if (GetFileName().empty() && !url.ends_with('/')) return SetURL(std::string(url) + '/');
    std::string dir = GetDir();
    // A host followed at once by a query or fragment has the root for its
    // folder; without it a link's first segment would stand for the root.
    if (dir.empty() && !parts_.host.empty()) dir = "/";
    dirSegments_.clear();
    for (std::string_view segment : splitSegmentViews(dir))
        dirSegments_.emplace_back(segment);
    origin_ = parts_.scheme + "://";
    if (!parts_.user.empty()) {
        origin_ += parts_.user;
        if (!parts_.password.empty()) origin_ += ":" + parts_.password;
        origin_ += "@";
    }
    port_.clear();
    if (parts_.port != defaultPortOfName(parts_.scheme)) port_ = ":" + std::to_string(parts_.port);
}

std::string TUrl::GetFileName() const {
    const std::string& path = parts_.path;
    if (path.empty()) return {};
    return path.substr(afterLastSeparator(path));
}

std::string TUrl::GetDir() const {
    // The file name is the path's tail; cutting it there (rather than at its
    // first occurrence) keeps /news/news from becoming //news.
    const std::string& path = parts_.path;
    return path.substr(0, path.size() - GetFileName().size());
}

std::string TUrl::Resolve(std::string_view linkText) const {
    std::string_view link = linkText;
    std::string made; // the link, when it is not the text as given
    if (link.starts_with("//")) link = made = "http:" + std::string(link);
    if (hasKnownScheme(link)) return std::string(link);
    if (link.starts_with('#')) link = made = GetFileName() + std::string(link);

    // A link from the root in plain ASCII, as most are, is the path itself:
    // the segment walk below would give it back unchanged.
    if (!parts_.host.empty() && link.starts_with('/') &&
        std::all_of(link.begin(), link.end(), [](char c) { return c > 0 && c != '\\'; })) {
        std::string_view path = link.ends_with('/') ? link.substr(0, link.size() - 1) : link;
        bool directory = path.substr(path.rfind('/') + 1).find('.') == std::string_view::npos;
        std::string result;
        result.reserve(origin_.size() + parts_.host.size() + port_.size() + link.size());
        result += origin_;
        result += parts_.host;
        result += port_;
        result += path;
        if (directory) result += '/';
        return result;
    }

    // The result's segments: the first `kept` of the base's folders, then
    // the link's own from `from` on.
    const std::vector<std::string>& dir = dirSegments_;
    std::vector<std::string_view> rest = splitSegmentViews(link);
    size_t kept = dir.size();
    size_t from = 0;
    for (; from < rest.size(); ++from) {
        std::string_view segment = rest[from];
        if (segment.empty()) {
            kept = 0;
            break;
        }
        if (segment == "..") {
            if (kept == 0) break;
            // Climbing above the root stays at the root, as browsers do.
            if (kept == 1 && dir[0].empty()) continue;
            --kept;
        } else if (segment != ".") {
            break;
        }
    }
    size_t count = kept + (rest.size() - from);
    auto segmentAt = [&](size_t k) -> std::string_view {
        return k < kept ? dir[k] : rest[from + (k - kept)];
    };

    std::string result;
    result.reserve(origin_.size() + parts_.host.size() + port_.size() + parts_.path.size() +
                   link.size() + 8);
    result += origin_;
    if (!parts_.host.empty())
        result += parts_.host;
    else if (count > 0)
        result += segmentAt(0);
    result += port_;
    for (size_t k = 1; k < count; ++k) {
        result += '/';
        result += segmentAt(k);
    }
    // A last segment without a dot is taken for a directory.
    if (count > 0 && segmentAt(count - 1).find('.') == std::string_view::npos) result += '/';
    return result;
}

std::string ResolveURL(std::string_view link, std::string_view base) {
    return TUrl(base).Resolve(link);
}

std::string DecodeURL(std::string_view text) {
    // "%" and "+" are below 0x40, never trail bytes: a byte scan is safe.
    size_t percent = text.find('%');
    if (percent == std::string_view::npos || percent + 1 >= text.size()) return std::string(text);
    char next = text[percent + 1];
    if (next != '%' && !platform::IsHexDigit(next)) return std::string(text);

    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c != '%') {
            out += c;
        } else if (i + 1 < text.size() && text[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (i + 2 < text.size() && platform::IsHexDigit(text[i + 1]) &&
                   platform::IsHexDigit(text[i + 2])) {
            int byte = platform::HexValue(text[i + 1]) * 16 + platform::HexValue(text[i + 2]);
            // A NUL would cut the URL short wherever it goes next.
            if (byte == 0) return std::string(text);
            out += static_cast<char>(byte);
            i += 2;
        } else {
            return std::string(text);
        }
    }
    return out;
}

std::string CleanURL(std::string_view url) {
    return DecodeURL(url.substr(0, url.find('#')));
}
