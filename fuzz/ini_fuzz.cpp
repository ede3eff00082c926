// Arbitrary bytes as a settings or design file, and as comma text: reading
// never crashes, and what the image writes reads back to the same image.

#include "engine/files/TIniFileEx.h"
#include "platform/text/CommaText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);

    TIniFileEx ini("");
    ini.SetText(text);
    std::vector<std::string> sections, keys;
    ini.ReadSections(sections);
    for (const std::string& section : sections) {
        ini.ReadSection(section, keys);
        for (const std::string& key : keys) {
            ini.ReadInteger(section, key, 0);
            ini.ReadPoint(section, key, "-1,-1");
        }
    }
    std::string written = ini.GetText();
    TIniFileEx again("");
    again.SetText(written);
    if (again.GetText() != written) __builtin_trap();

    std::vector<std::string> items = platform::SplitCommaText(text);
    if (platform::SplitCommaText(platform::JoinCommaText(items)) != items) __builtin_trap();
    return 0;
}
