#include "engine/news/IntervalText.h"

#include "platform/text/Cp932.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

using platform::SjisContains;
using platform::SjisReplaceFirst;
using platform::StrToIntDef;
using platform::Utf8ToSjis;

std::string IntervalToText(int minutes) {
    if (minutes % 60 != 0) return std::to_string(minutes) + Utf8ToSjis("分");
    if (minutes != 0) return std::to_string(minutes / 60) + Utf8ToSjis("時間");
    return Utf8ToSjis("起動時");
}

int TextToInterval(std::string_view text) {
    static const std::string hour = Utf8ToSjis("時"), hours = Utf8ToSjis("時間"),
                             minute = Utf8ToSjis("分");
    if (SjisContains(text, hour)) {
        // Overflow would be undefined; such text is no interval anyone typed.
        long long value = StrToIntDef(SjisReplaceFirst(text, hours, ""), 0);
        value *= 60;
        return value > INT32_MAX || value < INT32_MIN ? 0 : static_cast<int>(value);
    }
    if (SjisContains(text, minute)) return StrToIntDef(SjisReplaceFirst(text, minute, ""), 0);
    return 0;
}
