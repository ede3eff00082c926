// Arbitrary bytes as a page: the reader must cut it without crashing,
// overrunning or looping, whatever code it decides on or is forced into.

#include "engine/html/zelHtml.h"

#include <atomic>
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

        // An abort after as many items as the first byte says ends the
        // page within the check interval.
        std::atomic<bool> aborting{false};
        zelHtml aborted;
        aborted.Aborting = &aborting;
        aborted.OpenBytes(page.substr(1));
        std::string item;
        for (int n = data[0] % 16; n > 0 && aborted.NextItem(item); --n) {
        }
        aborting = true;
        size_t rest = 0;
        while (aborted.NextItem(item))
            rest += item.size();
        if (rest > 2 * zelHtml::kAbortCheckBytes) __builtin_trap();
    }
    return 0;
}
