#include "platform/text/CommaText.h"

namespace platform {

namespace {

bool isBlank(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
    // A NUL ends the text, as it ends a C string. Neither a quote nor a
    // comma can be a trail byte, so the bytes can be scanned one by one.
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> items;
    size_t p = 0;
    auto skipBlanks = [&] {
        while (p < text.size() && isBlank(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < text.size()) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (p + 1 < text.size() && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            size_t start = p;
            while (p < text.size() && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',')
                ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < text.size() && text[p] == ',') {
            // A comma that ends the text still separates an empty last item.
            if (p + 1 == text.size()) items.emplace_back();
            ++p;
            skipBlanks();
        }
    }
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
