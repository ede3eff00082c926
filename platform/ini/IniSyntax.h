#pragma once

// How a line of an INI file reads, shared by the in-memory file and the
// one-key writer so that what one writes the other finds.

#include "platform/text/SjisString.h"

#include <string_view>

namespace platform {

// line is trimmed: "[name]" heads a section.
inline bool IsSectionLine(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

inline std::string_view SectionNameOf(std::string_view line) {
    return TrimView(line.substr(1, line.size() - 2));
}

// line is trimmed: ";" starts a comment.
inline bool IsCommentLine(std::string_view line) {
    return !line.empty() && line.front() == ';';
}

// The trimmed halves of a "name = value" line; false when it has no "=".
inline bool SplitKeyLine(std::string_view line, std::string_view& name, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    name = TrimView(line.substr(0, eq));
    value = TrimView(line.substr(eq + 1));
    return true;
}

} // namespace platform
