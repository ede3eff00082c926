// Arbitrary bytes as a page: the reader must cut it without crashing,
// overrunning or looping, whatever code it decides on or is forced into.

#include "engine/html/zelHtml.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string page(reinterpret_cast<const char*>(data), size);

    zelHtml html;
    std::vector<std::string> items;
    html.LoadItemsFromBytes(page, items);
    for (const std::string& item : items) {
        if (!item.empty() && item[0] == '<') {
            zelHtml::GetAttr(item, "href");
            zelHtml::GetAttr(item, "url");
        }
    }

    // The same bytes under a code chosen by the first byte, read item by item.
    if (size > 0) {
        zelHtml forced;
        forced.Attach(page.substr(1));
        forced.Code = data[0] % 5;
        forced.CodeHint = data[0] & 0x80 ? 2 : 1;
        size_t guard = 0;
        while (!forced.AtEnd() && guard++ <= size)
            forced.ReadItem();
        if (!forced.AtEnd()) __builtin_trap(); // every item must consume input
    }
    return 0;
}
