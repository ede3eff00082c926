// Arbitrary bytes as a page under an arbitrary base URL: extraction must
// finish without crashing, whatever the items, links and stamps look like,
// and item by item it must find what it finds in the whole list. The first
// byte's lowest bit picks the rules: set, the extended ones.

#include "engine/html/zelHtml.h"
#include "engine/site/HeadlineExtractor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    // The first line is the base URL, the rest the page.
    size_t newline = input.find('\n');
    std::string base = newline == std::string::npos ? std::string() : input.substr(0, newline);
    std::string page = newline == std::string::npos ? input : input.substr(newline + 1);

    bool extended = size > 0 && (data[0] & 1) != 0;

    std::vector<std::string> items, titles, links, pending;
    zelHtml html;
    html.LoadItemsFromBytes(page, items);
    HeadlineExtractor extractor(base, base, titles, links, pending);
    extractor.SetExtended(extended);
    extractor.Extract(items);
    if (titles.size() != links.size()) __builtin_trap();

    std::vector<std::string> streamedTitles, streamedLinks, streamedPending;
    zelHtml reader;
    reader.OpenBytes(page);
    HeadlineExtractor streamed(base, base, streamedTitles, streamedLinks, streamedPending);
    streamed.SetExtended(extended);
    std::string item;
    while (reader.NextItem(item))
        streamed.AddItem(item);
    streamed.Finish();
    if (streamedTitles != titles || streamedLinks != links || streamedPending != pending)
        __builtin_trap();
    return 0;
}
