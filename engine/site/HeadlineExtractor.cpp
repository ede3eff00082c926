#include "engine/site/HeadlineExtractor.h"

#include "engine/html/zelHtml.h"
#include "engine/inet/TUrl.h"
#include "engine/site/FeedDate.h"
#include "engine/site/FeedReader.h"
#include "engine/site/ItemTags.h"
#include "engine/site/StampFinder.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

// Every stamp starts with a number directly followed by "/", ":" or 時
// (extended also 月, "／", "：" or ".", after ASCII or full-width digits); most
// blocks tested at cell and row ends have no such pair. Bytes are looked at
// from every offset, with line breaks skipped as the search will have them:
// what only looks like such a pair costs a search, nothing more.
constexpr uint8_t kEndsSeparator = 1, kEndsWideSeparator = 2, kEndsDot = 3;
constexpr std::array<uint8_t, 256> kSeparatorEnds = [] {
    std::array<uint8_t, 256> t{};
    t['/'] = t[':'] = kEndsSeparator;
    t['.'] = kEndsDot;
    // The trail bytes of 時, 月, "／" and "：".
    t[0x9E] = t[0x8E] = t[0x5E] = t[0x46] = kEndsWideSeparator;
    return t;
}();

bool mayHoldStamp(std::string_view s, bool extended) {
    auto digit = [](uint32_t b) { return b >= '0' && b <= '9'; };
    auto wideDigit = [](uint32_t pair) { return pair >= 0x824F && pair <= 0x8258; };
    // The byte before at (0 at the start), line breaks skipped.
    auto before = [&](size_t& at) -> uint32_t {
        while (at > 0) {
            char c = s[--at];
            if (c != '\r' && c != '\n') return static_cast<unsigned char>(c);
        }
        return 0;
    };
    for (size_t i = 0; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        uint8_t kind = kSeparatorEnds[c];
        if (kind == 0 || (kind == kEndsDot && !extended)) continue;
        size_t at = i;
        if (kind == kEndsWideSeparator) {
            uint32_t pair = before(at) << 8 | c;
            bool separator = pair == 0x8E9E ||
                             (extended && (pair == 0x8C8E || pair == 0x815E || pair == 0x8146));
            if (!separator) continue;
        }
        uint32_t last = before(at);
        if (digit(last) || (extended && wideDigit(before(at) << 8 | last))) return true;
    }
    return false;
}

// offsets (ascending, into text) moved to where they land in the trimmed
// text without line breaks that is returned: the block text a stamp is
// searched in. CR and LF are never trail bytes, so dropping them byte by
// byte is what removing them character by character does.
std::string withoutLineBreaks(std::string_view text, std::vector<size_t>& offsets) {
    std::string_view trimmed = platform::TrimView(text);
    size_t begin = static_cast<size_t>(trimmed.data() - text.data());
    size_t end = begin + trimmed.size();
    std::string s;
    s.reserve(trimmed.size());
    size_t k = 0;
    for (size_t i = begin;; ++i) {
        for (; k < offsets.size() && offsets[k] <= i; ++k)
            offsets[k] = s.size();
        if (i >= end) break;
        if (text[i] != '\r' && text[i] != '\n') s += text[i];
    }
    for (; k < offsets.size(); ++k)
        offsets[k] = s.size();
    return s;
}

size_t characterCount(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n)
        i += platform::IsSjisLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    return n;
}

bool isHttp(std::string_view url) {
    return url.starts_with("http://") || url.starts_with("https://");
}

// The extended rules take a web link's scheme in any letter case, as
// browsers do, and write it in lower case; false for any other link.
bool makeHttp(std::string& url) {
    for (std::string_view scheme : {"http://", "https://"})
        if (StartsWithFolded(url, 0, scheme)) {
            url.replace(0, scheme.size(), scheme);
            return true;
        }
    return false;
}

} // namespace

HeadlineExtractor::HeadlineExtractor(std::string base, std::string siteUrl,
                                     std::vector<std::string>& titles,
                                     std::vector<std::string>& links,
                                     std::vector<std::string>& pendingUrls)
    : base_(std::move(base)), baseUrl_(base_), siteUrl_(std::move(siteUrl)), titles_(titles),
      links_(links), pendingUrls_(pendingUrls), titlesAtStart_(titles.size()) {}

void HeadlineExtractor::Extract(const std::vector<std::string>& items) {
    for (const std::string& item : items) {
        if (aborting()) return;
        AddItem(item);
    }
    Finish();
}

void HeadlineExtractor::Finish() {
    if (!text_.empty()) addBlock();
    clearBlock();
    // A front page that offers its news only as a feed: read the feed next.
    if (extended_ && !feedUrl_.empty() && titles_.size() == titlesAtStart_)
        pendingUrls_.push_back(std::move(feedUrl_));
    feedUrl_.clear();
}

void HeadlineExtractor::clearBlock() {
    text_.clear();
    link_.clear();
    anchorOpen_ = false;
    // Cleared field by field: the link's room serves the next block.
    longest_.has = longest_.inTime = false;
    longest_.link.clear();
    longest_.chars = kUncounted;
    anchors_.clear();
    headingPending_ = false;
    separatorOwed_ = false;
    leadingDate_ = false;
    itemMarkEnd_ = 0;
    timeOpen_ = false;
    hasTimeSpan_ = false;
    displaced_.valid = false;
}

void HeadlineExtractor::openAnchor(std::string_view tag) {
    closeAnchor();
    displaced_.valid = false;
    std::string href = zelHtml::GetAttr(tag, "href");
    if (href.empty()) return; // a named target, not a link
    openLink_ = baseUrl_.Resolve(href);
    if (!makeHttp(openLink_)) openLink_.clear();
    if (headingPending_ && heading_.summarySkipped && !timeOpen_ && !openLink_.empty() &&
        openLink_ != headingLink()) {
        // Past a paragraph, a link elsewhere is a headline of its own, not
        // the heading's date, unless it proves to be the card's category.
        Displaced displaced{true, std::move(text_), std::move(anchors_), longest_};
        std::string link = std::move(openLink_);
        clearBlock();
        displaced_ = std::move(displaced);
        openLink_ = std::move(link);
    }
    flushSeparator();
    openStart_ = text_.size();
    anchorOpen_ = true;
}

void HeadlineExtractor::flushSeparator() {
    if (!separatorOwed_) return;
    separatorOwed_ = false;
    if (!text_.empty() && text_.back() != ' ') appendText(" ");
}

bool HeadlineExtractor::readStructure(const ItemTags& tags, std::string_view line) {
    using Structure = ItemTags::Structure;
    switch (tags.GetStructure()) {
    case Structure::HeadingOpen: {
        // Text before a heading is no part of its headline; a list item's
        // bullet is.
        if (text_.size() == itemMarkEnd_ && itemMarkEnd_ != 0) return true;
        // A card wrapped in its link: the link holds the heading.
        bool keepAnchor = anchorOpen_ && openStart_ == text_.size();
        std::string link = keepAnchor ? openLink_ : std::string();
        addBlock();
        clearBlock();
        if (keepAnchor) {
            anchorOpen_ = true;
            openLink_ = std::move(link);
            openStart_ = 0;
        }
        return true;
    }
    case Structure::HeadingClose:
        endSection(true);
        return true;
    case Structure::SectionOpen:
        ++sectionDepth_;
        return true;
    case Structure::SectionClose:
        if (sectionDepth_ > 0) --sectionDepth_;
        endSection(false);
        return true;
    case Structure::TimeOpen:
        openTime(line);
        return true;
    case Structure::TimeClose:
        closeTime();
        return true;
    case Structure::None:
        break;
    }
    return false;
}

void HeadlineExtractor::endSection(bool heading) {
    if (text_.empty()) return;
    // Past the limit the block is not tested again, as at a cell's end.
    bool tested = text_.size() <= kCellTestLimit;
    if (tested && addBlock()) {
        clearBlock();
        return;
    }
    if (tested && rejectedAsDate_) {
        // Dates before their headlines: each would end the headline before it.
        clearBlock();
        leadingDate_ = true;
        return;
    }
    if (leadingDate_) {
        clearBlock();
        return;
    }
    if (heading) {
        // The stamp of a card's heading is in the block right after it.
        headingPending_ = true;
        heading_ = Heading{sectionDepth_, text_.size(), anchors_.size(), longest_,
                           anchorOpen_,   openLink_,    openStart_,      false};
    } else if (headingPending_ && sectionDepth_ < heading_.depth) {
        // The heading's card closed without a stamp: the next card's date is not its.
        clearBlock();
        return;
    }
    separatorOwed_ = true;
}

bool HeadlineExtractor::skipSummary() {
    bool linked = (heading_.longest.has && !heading_.longest.link.empty()) ||
                  (heading_.anchorOpen && !heading_.openLink.empty());
    if (!headingPending_ || !linked || heading_.summarySkipped) return false;
    heading_.summarySkipped = true;
    text_.resize(heading_.end);
    anchors_.resize(heading_.anchors);
    longest_ = heading_.longest;
    anchorOpen_ = heading_.anchorOpen;
    openLink_ = heading_.openLink;
    openStart_ = heading_.openStart;
    timeOpen_ = false;
    hasTimeSpan_ = false;
    separatorOwed_ = true;
    return true;
}

void HeadlineExtractor::dropCategory() {
    if (anchorOpen_ || anchors_.empty()) return;
    Span last = anchors_.back();
    // Nothing but spaces and separators between the link and the time.
    for (size_t i = last.end; i < text_.size(); ++i)
        if (std::string_view(" |/-").find(text_[i]) == std::string_view::npos) return;
    if (displaced_.valid && anchors_.size() == 1 &&
        platform::TrimView(std::string_view(text_).substr(0, last.start)).empty()) {
        text_ = std::move(displaced_.text);
        anchors_ = std::move(displaced_.anchors);
        longest_ = std::move(displaced_.longest);
        anchorOpen_ = heading_.anchorOpen;
        openLink_ = heading_.openLink;
        openStart_ = heading_.openStart;
        headingPending_ = true;
        separatorOwed_ = true;
        displaced_.valid = false;
        return;
    }
    if (!headingPending_ || last.start < heading_.end || anchors_.size() != heading_.anchors + 1)
        return;
    bool isLongest = longest_.has && longest_.span.start == last.start;
    std::string_view link = isLongest ? std::string_view(longest_.link) : openLink_;
    if (headingLink().empty() || link == headingLink()) return;
    text_.resize(last.start);
    anchors_.pop_back();
    if (isLongest) longest_ = heading_.longest;
}

void HeadlineExtractor::waitForDate(bool afterDate) {
    // Where dates come before their titles, the date after this one is the
    // next title's.
    if (afterDate) return;
    std::string_view all = platform::TrimView(text_);
    if (all.empty()) return;
    size_t begin = static_cast<size_t>(all.data() - text_.data()), end = begin + all.size();
    const std::string* link = nullptr;
    if (anchorOpen_ && anchors_.empty() && openStart_ <= begin)
        link = &openLink_;
    else if (!anchorOpen_ && anchors_.size() == 1 && anchors_[0].start <= begin &&
             anchors_[0].end >= end && longest_.has)
        link = &longest_.link;
    if (!link || link->empty()) return;
    waitingTitle_ = {true, std::string(all), *link};
}

void HeadlineExtractor::openTime(std::string_view tag) {
    dropCategory();
    flushSeparator();
    timeOpen_ = true;
    timeStart_ = text_.size();
    timeStamp_ = FeedDateStamp(zelHtml::GetAttr(tag, "datetime"));
}

void HeadlineExtractor::closeTime() {
    if (!timeOpen_) return;
    timeOpen_ = false;
    std::string_view shown = std::string_view(text_).substr(timeStart_);
    // The datetime stands in for a text that reads as no stamp ("3 hours
    // ago") or as a date in dots, which tells less than the datetime does.
    if (!timeStamp_.empty() && !FindStamp(shown, true, aborting_, false)) {
        size_t end = timeStart_ + timeStamp_.size();
        text_.replace(timeStart_, std::string::npos, timeStamp_);
        auto moveSpan = [&](Span& a) {
            if (a.start > timeStart_) a.start = timeStart_;
            if (a.end > timeStart_) a.end = end;
        };
        for (Span& a : anchors_)
            moveSpan(a);
        if (longest_.has) {
            moveSpan(longest_.span);
            longest_.chars = kUncounted;
        }
        if (anchorOpen_ && openStart_ > timeStart_) openStart_ = timeStart_;
    }
    hasTimeSpan_ = true;
    timeSpan_ = {timeStart_, text_.size()};
}

void HeadlineExtractor::closeAnchor() {
    if (!anchorOpen_) return;
    anchorOpen_ = false;
    Span span{openStart_, text_.size()};
    auto count = [&](const Span& s) {
        return characterCount(std::string_view(text_).substr(s.start, s.end - s.start));
    };
    // Most blocks hold one link: characters are counted only to compare two.
    size_t chars = kUncounted;
    if (longest_.has) {
        if (longest_.chars == kUncounted) longest_.chars = count(longest_.span);
        chars = count(span);
    }
    // A link on a time element's date (to the article, or to the day's
    // archive) yields to any other.
    bool inTime = (timeOpen_ && span.start >= timeStart_) ||
                  (hasTimeSpan_ && span.start >= timeSpan_.start && span.end <= timeSpan_.end);
    bool longer =
        longest_.has && (longest_.inTime != inTime ? longest_.inTime : chars > longest_.chars);
    if (!longest_.has || longer) {
        longest_.has = true;
        longest_.inTime = inTime;
        longest_.link = std::move(openLink_);
        longest_.span = span;
        longest_.chars = chars;
    }
    if (anchors_.size() < kMaxBlockAnchors) anchors_.push_back(span);
}

bool HeadlineExtractor::addBlock() {
    if (!extended_) return AddHeadline(text_, link_);
    // An anchor still open is tested as it stands, and stays open when the
    // block runs on.
    bool wasOpen = anchorOpen_;
    Longest longest;
    std::string openLink;
    size_t anchors = anchors_.size();
    if (wasOpen) {
        longest = longest_;
        openLink = openLink_;
    }
    closeAnchor();
    bool added =
        addHeadline(text_, longest_.has ? std::string_view(longest_.link) : std::string_view(),
                    longest_.has ? &longest_.span : nullptr);
    if (waitingTitle_.valid && !platform::TrimView(text_).empty()) {
        // The block after a title paragraph: its date, if it is one alone.
        waitingTitle_.valid = false;
        if (!added && rejectedAsDate_) {
            std::string titled = waitingTitle_.text + " " + std::string(platform::TrimView(text_));
            added = addHeadline(titled, waitingTitle_.link, nullptr);
        }
    }
    if (!added && wasOpen) {
        longest_ = std::move(longest);
        anchors_.resize(anchors);
        anchorOpen_ = true;
        openLink_ = std::move(openLink);
    }
    return added;
}

void HeadlineExtractor::readBase(std::string_view tag) {
    // Browsers take the first base that names a URL.
    if (baseSet_) return;
    std::string href = zelHtml::GetAttr(tag, "href");
    if (href.empty()) return;
    std::string base = baseUrl_.Resolve(href);
    if (!makeHttp(base)) return;
    baseSet_ = true;
    base_ = std::move(base);
    baseUrl_.SetURL(base_);
}

void HeadlineExtractor::readFeedLink(std::string_view tag) {
    if (!feedUrl_.empty() || !containsNoCase(zelHtml::GetAttr(tag, "rel"), "alternate")) return;
    std::string type(platform::TrimView(zelHtml::GetAttr(tag, "type")));
    std::transform(type.begin(), type.end(), type.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (type != "application/rss+xml" && type != "application/atom+xml") return;
    std::string href = zelHtml::GetAttr(tag, "href");
    if (href.empty()) return;
    std::string url = baseUrl_.Resolve(href);
    if (makeHttp(url)) feedUrl_ = CleanURL(url);
}

void HeadlineExtractor::appendText(std::string_view line) {
    if (separatorOwed_) flushSeparator();
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
    ItemTags tags(line, firstTag);

    if (tags.Is("</body>")) {
        inBody_ = false;
        return;
    }
    if (tags.body) inBody_ = true;
    if (extended_ && (tags.base || tags.link) && scriptDepth_ == 0) {
        if (tags.IsTag("<base")) {
            readBase(line);
            return;
        }
        if (tags.IsTag("<link")) {
            readFeedLink(line);
            return;
        }
    }
    if (tags.meta && containsNoCase(line, "http-equiv") && containsNoCase(line, "refresh")) {
        std::string url = zelHtml::GetAttr(line, "url");
        if (!url.empty()) {
            pendingUrls_.push_back(CleanURL(baseUrl_.Resolve(url)));
            return;
        }
    }
    if (tags.Head().starts_with("<frame")) {
        std::string src = zelHtml::GetAttr(line, "src");
        if (!src.empty()) pendingUrls_.push_back(CleanURL(baseUrl_.Resolve(src)));
        return;
    }
    if (!inBody_) return;
    if (tags.Head().starts_with("<script")) {
        ++scriptDepth_;
        return;
    }
    if (tags.Is("</script>")) {
        --scriptDepth_;
        return;
    }
    if (line.starts_with("<!--") || scriptDepth_ != 0) return;
    if (extended_ && line[0] == '<' && readStructure(tags, line)) return;

    if (tags.Is("<br>", "</p>", "</tr>", "</ul>", "</ol>") || tags.table || tags.hr) {
        bool afterDate = rejectedAsDate_;
        if (!addBlock() && extended_ && tags.Is("<br>", "</p>")) {
            if (skipSummary()) return;
            if (tags.Is("</p>")) waitForDate(afterDate);
        }
        clearBlock();
        if (tags.Is("</ol>")) olNumber_ = 0;
    } else if (tags.Is("</td>", "</th>")) {
        // A cell without a stamp runs on into the next one.
        if (text_.size() <= kCellTestLimit && addBlock()) clearBlock();
    } else if (tags.th || tags.td) {
        if (!text_.empty()) appendText("\t");
    } else if (tags.li) {
        addBlock();
        clearBlock();
        if (olNumber_ != 0) {
            text_ = std::to_string(olNumber_++);
        } else if (containsNoCase(line, "circle")) {
            text_ = kBulletCircle;
        } else if (containsNoCase(line, "square")) {
            text_ = kBulletSquare;
        } else {
            text_ = kBulletDot;
        }
        itemMarkEnd_ = text_.size();
    } else if (tags.ol) {
        olNumber_ = 1;
    } else if (extended_ && (tags.a || tags.Is("</a>"))) {
        if (tags.Is("</a>"))
            closeAnchor();
        else if (tags.IsTag("<a"))
            openAnchor(line);
    } else if (tags.a) {
        link_ = baseUrl_.Resolve(zelHtml::GetAttr(line, "href"));
        if (!isHttp(link_)) link_.clear();
    } else if (line[0] != '<') {
        appendText(line);
    }
}

bool HeadlineExtractor::AddHeadline(std::string_view text, std::string_view link) {
    return addHeadline(text, link, nullptr);
}

bool HeadlineExtractor::addHeadline(std::string_view text, std::string_view link,
                                    const Span* keep) {
    rejectedAsDate_ = false;
    std::string_view trimmed = platform::TrimView(text);
    if (!mayHoldStamp(trimmed, extended_)) return false;

    std::string s;
    std::optional<StampMatch> match;
    if (!keep || anchors_.size() < 2) {
        s = withoutLineBreaks(trimmed);
        match = FindStamp(s, extended_, aborting_);
    } else {
        // Anchors after the stamp other than the headline's own are topics
        // or categories: their words are no part of the title.
        std::vector<size_t> offsets;
        for (const Span& a : anchors_) {
            offsets.push_back(a.start);
            offsets.push_back(a.end);
        }
        s = withoutLineBreaks(text, offsets);
        auto isKept = [&](const Span& a) { return a.start == keep->start && a.end == keep->end; };
        auto others = [&](size_t from) {
            std::vector<Span> spans;
            for (size_t i = 0; i < anchors_.size(); ++i)
                if (!isKept(anchors_[i]) && offsets[2 * i] >= from &&
                    offsets[2 * i + 1] > offsets[2 * i])
                    spans.push_back({offsets[2 * i], offsets[2 * i + 1]});
            return spans;
        };
        auto cut = [](std::string& from, const std::vector<Span>& spans) {
            for (auto span = spans.rbegin(); span != spans.rend(); ++span)
                from.erase(span->start, span->end - span->start);
            from.resize(platform::TrimView(from).size() +
                        static_cast<size_t>(platform::TrimView(from).data() - from.data()));
        };
        match = FindStamp(s, extended_, aborting_);
        if (match) {
            cut(s, others(match->pos + match->length));
        } else if (!aborting()) {
            // A bare stamp ends the text only once the topics after it are gone.
            size_t keepEnd = 0;
            for (size_t i = 0; i < anchors_.size(); ++i)
                if (isKept(anchors_[i])) keepEnd = offsets[2 * i + 1];
            std::vector<Span> spans = others(keepEnd);
            if (!spans.empty()) {
                std::string shorter = s;
                cut(shorter, spans);
                match = FindStamp(shorter, extended_, aborting_);
                if (match && match->pos + match->length <= spans.front().start)
                    s = std::move(shorter);
                else
                    match.reset();
            }
        }
    }
    if (!match || aborting()) return false;

    // A tab is never a trail byte; most titles have none.
    for (size_t tab = s.find('\t'); tab != std::string::npos; tab = s.find('\t', tab + 1))
        s[tab] = ' ';
    std::string& rest = rest_;
    rest.assign(s);
    eraseFirst(rest, std::string_view(s).substr(match->pos, match->length));
    eraseFirst(rest, " ");
    eraseFirst(rest, kFullWidthSpace);
    std::string_view word = platform::TrimView(rest);
    rejectedAsDate_ = rest.empty() || (extended_ && IsDateOnly(word));
    if (rest.empty() || rejectedAsDate_) return false;
    if (word == kDetails || word == kUpdated || word.starts_with(kPortalPrefix)) return false;
    if (extended_ && link.empty() && characterCount(s) > kMaxUnlinkedChars) return false;

    titles_.push_back(std::move(s));
    if (link.empty()) links_.push_back(siteUrl_);
    // An absolute link resolves to itself; only relative ones need the base.
    else if (isHttp(link))
        links_.push_back(CleanURL(link));
    else
        links_.push_back(CleanURL(baseUrl_.Resolve(link)));
    return true;
}

void HeadlineExtractor::ExtractFile(const std::string& cacheFile, bool debug) {
    if (cacheFile.empty() || !platform::FileExists(cacheFile)) return;
    zelHtml html;
    html.Aborting = aborting_;
    if (extended_ && ReadFeedFile(cacheFile, base_, siteUrl_, titles_, links_, aborting_)) {
        // A feed holds headlines only; it names no further pages.
    } else if (html.Open(cacheFile)) {
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
