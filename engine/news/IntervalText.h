#pragma once

// The update interval as the property dialog's site list shows it: "90分",
// "2時間", or "起動時" for sites fetched only at start-up. Text is Shift_JIS.

#include <string>
#include <string_view>

std::string IntervalToText(int minutes);
// "3時間" is 180, "45分" is 45; text with neither unit (start-up) is 0.
int TextToInterval(std::string_view text);
