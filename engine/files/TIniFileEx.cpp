#include "engine/files/TIniFileEx.h"

#include "platform/fs/FileSystem.h"
#include "platform/text/CommaTextReader.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <cstdint>
#include <filesystem>

namespace {

// A backslash that is not the trail byte of a two-byte character.
std::string withSlashes(std::string_view path) {
    std::string out(path);
    for (size_t i = 0; i < out.size(); i += platform::SjisCharLength(out, i))
        if (out[i] == '\\') out[i] = '/';
    return out;
}

} // namespace

std::pair<int, int> TIniFileEx::ReadPoint(std::string_view section, std::string_view ident,
                                          std::string_view def) const {
    // Only the first two items count; a missing one reads as empty.
    std::string value = ReadString(section, ident, def), x, y;
    platform::CommaTextReader items(value);
    items.Next(x);
    items.Next(y);
    return {platform::StrToIntDef(x, -1), platform::StrToIntDef(y, -1)};
}

void TIniFileEx::WritePoint(std::string_view section, std::string_view ident, int x, int y) {
    WriteString(section, ident, std::to_string(x) + "," + std::to_string(y));
}

std::string ExpandRelativePath(std::string_view fileName, std::string_view baseFolder) {
    if (fileName.empty() || baseFolder.empty()) return std::string(fileName);
    std::string name = withSlashes(fileName);
    std::string joined = name.starts_with('/') ? name : withSlashes(baseFolder) + "/" + name;
    if (!joined.starts_with('/')) {
        std::error_code ec;
        joined =
            platform::PathFromNative(std::filesystem::current_path(ec).string()) + "/" + joined;
    }

    // Fold "." and ".." as a full-path expansion does, straight into the
    // result: a name may have millions of parts. "/" and "." are never trail
    // bytes.
    std::string out;
    out.reserve(joined.size());
    std::string_view rest(joined);
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            out.resize(out.empty() ? 0 : out.rfind('/'));
            continue;
        }
        out += '/';
        out += part;
    }
    if (out.empty()) out = "/";
    if (joined.ends_with('/') && out != "/") out += '/';
    return out;
}
