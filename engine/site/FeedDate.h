#pragma once

// The dates feeds give their items (RFC 822 as in RSS 2.0, ISO 8601 / W3C-DTF
// as in RSS 1.0 and Atom) turned into the stamp a news page prints beside a
// headline.

#include <string>
#include <string_view>

// "（m/d hh:nn）" in Shift_JIS full-width brackets, in local time when the
// date names its zone (as written otherwise); "（m/d）" for a date without a
// time. "" when text is no date this reads.
std::string FeedDateStamp(std::string_view text);
