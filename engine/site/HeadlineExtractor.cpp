#include "engine/site/HeadlineExtractor.h"

#include "engine/html/zelHtml.h"
#include "engine/inet/TUrl.h"
#include "engine/site/StampFinder.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/text/SjisString.h"

#include <algorithm>

using platform::SjisReplaceAll;

namespace {

// Shift_JIS texts the extraction knows.
constexpr std::string_view kBulletCircle = "\x81\x9B"; // ○
constexpr std::string_view kBulletSquare = "\x81\xA1"; // ■
constexpr std::string_view kBulletDot = "\x81\x45";    // ・
constexpr std::string_view kFullWidthSpace = "\x81\x40";
constexpr std::string_view kDetails = "\x8F\xDA\x8D\xD7>>";       // 詳細>>
constexpr std::string_view kUpdated = "\x8D\x58\x90\x56\x81\x46"; // 更新：
constexpr std::string_view kPortalPrefix =
    "Yahoo!\x83\x6A\x83\x85\x81\x5B\x83\x58-"; // Yahoo!ニュース-

// A few bytes of s from pos, lower-cased byte by byte. Exact for comparing
// with ASCII patterns from a character boundary: no lead byte is ASCII, so a
// run of matching bytes is a run of single-byte characters.
struct Folded {
    char bytes[10];
    size_t size = 0;
    Folded(std::string_view s, size_t pos = 0) {
        for (; size < sizeof bytes && pos + size < s.size(); ++size) {
            char c = s[pos + size];
            bytes[size] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        }
    }
    std::string_view view() const { return {bytes, size}; }
};

// Which tag names occur in an item. A "<" (0x3C) is never a trail byte, so
// looking only where a "<" stands finds exactly what a search of the whole
// lower-cased item would, at a fraction of the cost.
struct Tags {
    bool body = false, meta = false, table = false, hr = false, th = false, td = false, li = false,
         ol = false, a = false;

    // firstTag: the position of the item's first "<".
    Tags(std::string_view line, size_t firstTag) {
        for (size_t p = firstTag; p != std::string_view::npos; p = line.find('<', p + 1)) {
            Folded f(line, p);
            std::string_view at = f.view();
            switch (at.size() > 1 ? at[1] : 0) {
            case 'a':
                a = true;
                break;
            case 'b':
                body = body || at.starts_with("<body");
                break;
            case 'h':
                hr = hr || at.starts_with("<hr");
                break;
            case 'l':
                li = li || at.starts_with("<li");
                break;
            case 'm':
                meta = meta || at.starts_with("<meta");
                break;
            case 'o':
                ol = ol || at.starts_with("<ol");
                break;
            case 't':
                table = table || at.starts_with("<table");
                th = th || at.starts_with("<th");
                td = td || at.starts_with("<td");
                break;
            default:
                break;
            }
        }
    }
};

// Removes the first occurrence of what (at a character boundary) from s.
void eraseFirst(std::string& s, std::string_view what) {
    size_t at = platform::SjisFind(s, what);
    if (at != std::string::npos) s.erase(at, what.size());
}

bool containsNoCase(std::string_view line, std::string_view word) {
    return platform::SjisFindNoCase(line, word) != std::string_view::npos;
}

std::string withoutLineBreaks(std::string_view text) {
    std::string s(text);
    if (std::none_of(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; })) return s;
    s = SjisReplaceAll(s, "\r\n", "");
    s = SjisReplaceAll(s, "\r", "");
    return SjisReplaceAll(s, "\n", "");
}

} // namespace

HeadlineExtractor::HeadlineExtractor(std::string base, std::string siteUrl,
                                     std::vector<std::string>& titles,
                                     std::vector<std::string>& links,
                                     std::vector<std::string>& pendingUrls)
    : base_(std::move(base)), baseUrl_(base_), siteUrl_(std::move(siteUrl)), titles_(titles),
      links_(links), pendingUrls_(pendingUrls) {}

void HeadlineExtractor::Extract(const std::vector<std::string>& items) {
    for (const std::string& item : items) {
        if (aborting()) return;
        AddItem(item);
    }
    Finish();
}

void HeadlineExtractor::Finish() {
    if (!text_.empty()) AddHeadline(text_, link_);
    text_.clear();
    link_.clear();
}

void HeadlineExtractor::appendText(std::string_view line) {
    if (text_.size() + line.size() <= kMaxBlockBytes) text_ += line;
}

void HeadlineExtractor::AddItem(std::string_view item) {
    std::string_view line = platform::TrimView(item);
    if (line.empty()) return;

    // Every rule but the last looks for a tag; plain text skips them.
    size_t firstTag = line[0] == '<' ? 0 : line.find('<');
    if (firstTag == std::string_view::npos) {
        if (inBody_ && scriptDepth_ == 0) appendText(line);
        return;
    }
    Tags tags(line, firstTag);
    // The whole item lower-cased when it is short enough to equal a
    // closing tag; a longer one equals none of them.
    Folded head(line);
    std::string_view whole = line.size() <= sizeof head.bytes ? head.view() : std::string_view();
    auto is = [&](std::initializer_list<std::string_view> names) {
        for (std::string_view n : names)
            if (whole == n) return true;
        return false;
    };

    if (is({"</body>"})) {
        inBody_ = false;
        return;
    }
    if (tags.body) inBody_ = true;
    if (tags.meta && containsNoCase(line, "http-equiv") && containsNoCase(line, "refresh")) {
        std::string url = zelHtml::GetAttr(line, "url");
        if (!url.empty()) {
            pendingUrls_.push_back(CleanURL(baseUrl_.Resolve(url)));
            return;
        }
    }
    if (head.view().starts_with("<frame")) {
        std::string src = zelHtml::GetAttr(line, "src");
        if (!src.empty()) pendingUrls_.push_back(CleanURL(baseUrl_.Resolve(src)));
        return;
    }
    if (!inBody_) return;
    if (head.view().starts_with("<script")) {
        ++scriptDepth_;
        return;
    }
    if (is({"</script>"})) {
        --scriptDepth_;
        return;
    }
    if (line.starts_with("<!--") || scriptDepth_ != 0) return;

    if (is({"<br>", "</p>", "</tr>", "</ul>", "</ol>"}) || tags.table || tags.hr) {
        AddHeadline(text_, link_);
        text_.clear();
        link_.clear();
        if (is({"</ol>"})) olNumber_ = 0;
    } else if (is({"</td>", "</th>"})) {
        // A cell without a stamp runs on into the next one.
        if (text_.size() <= kCellTestLimit && AddHeadline(text_, link_)) {
            text_.clear();
            link_.clear();
        }
    } else if (tags.th || tags.td) {
        if (!text_.empty()) appendText("\t");
    } else if (tags.li) {
        AddHeadline(text_, link_);
        link_.clear();
        if (olNumber_ != 0) {
            text_ = std::to_string(olNumber_++);
        } else if (containsNoCase(line, "circle")) {
            text_ = kBulletCircle;
        } else if (containsNoCase(line, "square")) {
            text_ = kBulletSquare;
        } else {
            text_ = kBulletDot;
        }
    } else if (tags.ol) {
        olNumber_ = 1;
    } else if (tags.a) {
        link_ = baseUrl_.Resolve(zelHtml::GetAttr(line, "href"));
        if (!link_.starts_with("http://") && !link_.starts_with("https://")) link_.clear();
    } else if (line[0] != '<') {
        appendText(line);
    }
}

bool HeadlineExtractor::AddHeadline(std::string_view text, std::string_view link) {
    // Every stamp has a digit; most blocks tested at cell and row ends have none.
    std::string_view trimmed = platform::TrimView(text);
    if (std::none_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    std::string s = withoutLineBreaks(trimmed);

    std::optional<StampMatch> match = FindStamp(s, aborting_);
    if (!match || aborting()) return false;

    std::replace(s.begin(), s.end(), '\t', ' '); // a tab is never a trail byte
    std::string rest = s;
    eraseFirst(rest, std::string_view(s).substr(match->pos, match->length));
    eraseFirst(rest, " ");
    eraseFirst(rest, kFullWidthSpace);
    if (rest.empty()) return false;
    std::string_view word = platform::TrimView(rest);
    if (word == kDetails || word == kUpdated || word.starts_with(kPortalPrefix)) return false;

    titles_.push_back(std::move(s));
    if (link.empty()) links_.push_back(siteUrl_);
    // An absolute link resolves to itself; only relative ones need the base.
    else if (link.starts_with("http://") || link.starts_with("https://"))
        links_.push_back(CleanURL(link));
    else
        links_.push_back(CleanURL(baseUrl_.Resolve(link)));
    return true;
}

void HeadlineExtractor::ExtractFile(const std::string& cacheFile, bool debug) {
    if (cacheFile.empty() || !platform::FileExists(cacheFile)) return;
    zelHtml html;
    html.Aborting = aborting_;
    if (html.Open(cacheFile)) {
        std::string item;
        while (!aborting() && html.NextItem(item))
            AddItem(item);
        if (!aborting()) Finish();
    }
    if (debug)
        WriteHeadlineList(platform::ChangeFileExt(cacheFile, ".txt"), titles_, links_);
    else
        platform::RemoveFile(cacheFile);
}

bool WriteHeadlineList(const std::string& path, const std::vector<std::string>& titles,
                       const std::vector<std::string>& links) {
    std::string out;
    for (size_t i = 0; i < titles.size(); ++i) {
        out += titles[i];
        out += '\t';
        if (i < links.size()) out += links[i];
        out += "\r\n";
    }
    return platform::WriteFileBytes(path, out);
}
