// Arbitrary bytes as a downloaded feed: reading must end without crashing,
// with titles and links paired, within the caps, links that lead to a web
// page, and titles of whole Shift_JIS characters. Handed over in small
// blocks (the second byte picks their size) the bytes give the same list,
// and a cut copy gives a start of it: nothing after the cut changes what
// came before it.

#include "engine/site/FeedReader.h"
#include "platform/text/SjisString.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

const std::string kFeedUrl = "http://www.example.jp/rss/news.rdf";
const std::string kSiteUrl = "http://www.example.jp/";
// The longest stamp: "（12/31 23:59）".
constexpr size_t kMaxStampBytes = 15;

bool wholeCharacters(std::string_view s) {
    for (size_t p = 0; p < s.size(); ++p)
        if (platform::IsSjisLeadByte(static_cast<unsigned char>(s[p])) && ++p >= s.size())
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> titles, links;
    bool isFeed = ReadFeed(bytes, kFeedUrl, kSiteUrl, titles, links, nullptr);
    if (isFeed != LooksLikeFeed(bytes)) __builtin_trap();
    if (!isFeed && !titles.empty()) __builtin_trap();
    if (titles.size() != links.size() || titles.size() > kMaxFeedItems) __builtin_trap();
    for (size_t i = 0; i < titles.size(); ++i) {
        if (titles[i].empty() || titles[i].size() > kMaxFeedTitleBytes + kMaxStampBytes ||
            !wholeCharacters(titles[i]))
            __builtin_trap();
        if (!links[i].starts_with("http://") && !links[i].starts_with("https://")) __builtin_trap();
    }

    if (size < 2) return 0;
    std::vector<std::string> blockTitles, blockLinks;
    ReadFeedInBlocks(bytes, 1 + data[1] % 97, kFeedUrl, kSiteUrl, blockTitles, blockLinks, nullptr);
    if (blockTitles != titles || blockLinks != links) __builtin_trap();

    size_t cut = size * data[0] / 256;
    std::vector<std::string> cutTitles, cutLinks;
    ReadFeed(bytes.substr(0, cut), kFeedUrl, kSiteUrl, cutTitles, cutLinks, nullptr);
    if (cutTitles.size() > titles.size()) __builtin_trap();
    for (size_t i = 0; i < cutTitles.size(); ++i)
        if (cutTitles[i] != titles[i] || cutLinks[i] != links[i]) __builtin_trap();
    return 0;
}
