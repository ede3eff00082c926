#include "engine/news/SiteValue.h"

#include "platform/text/CommaTextReader.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

namespace {

// Full-width "＝", "；", "［" in Shift_JIS.
constexpr std::string_view kWideEquals = "\x81\x81", kWideSemicolon = "\x81\x47",
                           kWideBracket = "\x81\x6D";

} // namespace

std::string FormatSiteValue(const SiteValue& site) {
    // Quotes doubled, as comma text reads them back byte by byte: a lone
    // one would end the URL and push the flag and interval aside.
    std::string value = "\"";
    for (char c : site.url)
        value += c == '"' ? std::string("\"\"") : std::string(1, c);
    return value + "\"," + (site.enabled ? "1" : "0") + "," + std::to_string(site.interval);
}

SiteValue ParseSiteValue(std::string_view value) {
    // Only the first three items count; a value of millions is not split.
    std::string items[3];
    platform::CommaTextReader reader(value);
    for (std::string& item : items)
        if (!reader.Next(item)) break;
    SiteValue site;
    site.url = items[0];
    site.enabled = platform::StrToIntDef(items[1], 0) != 0;
    site.interval = platform::StrToIntDef(items[2], 60);
    return site;
}

std::string StorableSiteName(std::string_view name) {
    std::string key = platform::SjisReplaceAll(name, "=", kWideEquals);
    if (!key.empty() && key[0] == ';')
        key.replace(0, 1, kWideSemicolon);
    else if (!key.empty() && key[0] == '[')
        key.replace(0, 1, kWideBracket);
    return key;
}
