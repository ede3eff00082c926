// Arbitrary bytes as a settings or design file, and as comma text: reading
// never crashes and changes no byte, and a section's values written back
// read back as written, leaving the other sections alone.
// The same bytes also take a one-key edit: the file it leaves reads as the
// in-memory file's own write would have left it.

#include "engine/files/TIniFileEx.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/text/CommaText.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

// Every section's name and values as the reader sees them.
std::vector<std::string> valuesOf(const platform::TMemIniFile& ini) {
    std::vector<std::string> all, sections, values;
    ini.ReadSections(sections);
    for (const std::string& section : sections) {
        all.push_back("[" + section + "]");
        ini.ReadSectionValues(section, values);
        all.insert(all.end(), values.begin(), values.end());
    }
    return all;
}

// Three length bytes (a value length of 255 deletes), the section, key and
// value, then the file's text.
void oneKeyEdit(std::string_view data) {
    if (data.size() < 3) return;
    size_t sectionLength = static_cast<uint8_t>(data[0]), keyLength = static_cast<uint8_t>(data[1]),
           valueLength = static_cast<uint8_t>(data[2]);
    bool remove = valueLength == 255;
    if (remove) valueLength = 0;
    data.remove_prefix(3);
    if (data.size() < sectionLength + keyLength + valueLength) return;
    std::string_view section = data.substr(0, sectionLength);
    std::string_view key = data.substr(sectionLength, keyLength);
    std::string_view value = data.substr(sectionLength + keyLength, valueLength);
    std::string_view text = data.substr(sectionLength + keyLength + valueLength);

    // A UTF-8 file can only take text that is well-formed Shift_JIS.
    auto wellFormed = [](std::string_view s) {
        return platform::Utf8ToSjis(platform::SjisToUtf8(s)) == s;
    };
    if (!wellFormed(section) || !wellFormed(key) || !wellFormed(value)) return;
    std::optional<std::string> edited = platform::EditProfileText(
        text, section, key, remove ? std::nullopt : std::optional<std::string_view>(value));
    if (!edited) return;
    platform::TMemIniFile expected("");
    expected.SetText(text);
    if (remove)
        expected.DeleteKey(section, key);
    else
        expected.WriteString(section, key, platform::TrimView(value));
    platform::TMemIniFile got("");
    got.SetText(*edited);
    // Shift_JIS that happens to form UTF-8 can turn the file's code.
    if (got.Utf8() != expected.Utf8()) return;
    if (valuesOf(got) != valuesOf(expected)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);

    TIniFileEx ini("");
    ini.SetText(text);
    // Reading changes nothing: the image is the file's own text.
    if (ini.GetText() != text) __builtin_trap();
    std::vector<std::string> sections, keys;
    ini.ReadSections(sections);
    for (const std::string& section : sections) {
        ini.ReadSection(section, keys);
        for (const std::string& key : keys) {
            ini.ReadInteger(section, key, 0);
            ini.ReadPoint(section, key, "-1,-1");
        }
    }
    // A section's values written back in reverse read back in reverse, and
    // the other sections keep theirs.
    if (!sections.empty()) {
        std::vector<std::string> before, after, other, otherAfter;
        ini.ReadSectionValues(sections.front(), before);
        if (sections.size() > 1) ini.ReadSectionValues(sections.back(), other);
        std::vector<std::string> reversed(before.rbegin(), before.rend());
        ini.WriteSectionValues(sections.front(), reversed);
        TIniFileEx again("");
        again.SetText(ini.GetText());
        again.ReadSectionValues(sections.front(), after);
        if (after != reversed) __builtin_trap();
        if (sections.size() > 1) {
            again.ReadSectionValues(sections.back(), otherAfter);
            if (otherAfter != other) __builtin_trap();
        }
    }

    std::vector<std::string> items = platform::SplitCommaText(text);
    if (platform::SplitCommaText(platform::JoinCommaText(items)) != items) __builtin_trap();

    oneKeyEdit(text);
    return 0;
}
