#pragma once

// A news front page prints a date or time beside each headline; a block of
// text is a headline when it carries such a stamp, either in brackets of any
// kind, ASCII or full-width, or bare at the very end of the text.

#include <atomic>
#include <cstddef>
#include <optional>
#include <string_view>

struct StampMatch {
    size_t pos;    // first byte of the match
    size_t length; // bytes, the brackets included
};

// The first stamp of s (Shift_JIS): a bracket group holding a valid stamp
// at any depth, from its opening bracket to just after its closing one; or
// a run from a digit to the end of s that ends in a valid stamp. Stamps are
// m/d, y/m/d, h:m, h:m:s and h時m分.
// extended adds the Japanese date M月D日 (after an optional Y年), unless
// dotted is false the date Y.M.D after a year of four digits, reads
// full-width digits, "／" and "：" as ASCII ones, takes 【】, 〔〕 and 《》 as
// brackets, lets a bracket close with its partner of the other width, and
// lets a block end in 配信, 更新 or 発表 after its stamp.
// Once *abort reads true (looked at every 64 KB of s) the search gives up
// and finds nothing.
std::optional<StampMatch> FindStamp(std::string_view s, bool extended,
                                    const std::atomic<bool>* abort = nullptr, bool dotted = true);

// True when the text beside a stamp is no more than a date: digits,
// brackets and punctuation with at least one era, date or time unit,
// weekday, or word such as 現在 or 更新 (the page's date line, an era date),
// or punctuation alone (a list's bullet). Digits without such a word are
// not: they may be a headline's title.
bool IsDateOnly(std::string_view rest);
