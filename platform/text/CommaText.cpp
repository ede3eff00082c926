#include "platform/text/CommaText.h"

#include "platform/text/CommaTextReader.h"

namespace platform {

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    CommaTextReader reader(text);
    std::string item;
    while (reader.Next(item))
        items.push_back(std::move(item));
    return items;
}

std::string JoinCommaText(const std::vector<std::string>& items) {
    if (items.size() == 1 && items[0].empty()) return "\"\"";
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        bool quote = false;
        for (char c : item)
            quote = quote || static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
        if (i > 0) out += ',';
        if (!quote) {
            out += item;
            continue;
        }
        out += '"';
        for (char c : item) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

} // namespace platform
