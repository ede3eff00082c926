#pragma once

// Comma text, as the class library's string lists read and write it: items
// separated by commas or blanks (any byte up to 0x20), an item in double
// quotes may hold either, and "" inside quotes stands for one quote.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::vector<std::string> SplitCommaText(std::string_view text);
std::string JoinCommaText(const std::vector<std::string>& items);

} // namespace platform
