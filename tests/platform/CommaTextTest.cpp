#include "platform/text/CommaText.h"
#include "platform/text/CommaTextReader.h"

#include <gtest/gtest.h>

using platform::JoinCommaText;
using platform::SplitCommaText;
using Items = std::vector<std::string>;

TEST(CommaText, SplitsAtCommasAndBlanksWithQuotedItemsWhole) {
    struct Case {
        std::string text;
        Items items;
    } cases[] = {
        {"3,4", {"3", "4"}},
        {"3 4", {"3", "4"}},
        {"  3 , 4  ", {"3", "4"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {",a", {"", "a"}},
        {"", {}},
        {"   ", {}},
        {"\"a b\",c", {"a b", "c"}},
        {"\"a,b\"", {"a,b"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"open", {"open"}},
        {"\"a\"b", {"a", "b"}},
        {"x\ty\nz", {"x", "y", "z"}},
        {"\x83\x41,\x95\x5C", {"\x83\x41", "\x95\x5C"}}, // two-byte characters stay whole
        {std::string("a\0,b", 4), {"a"}},                // a NUL ends the text
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommaText(c.text), c.items) << c.text;
    // Read one at a time, the last call leaves no stale item behind.
    platform::CommaTextReader reader("a,\"b\"");
    std::string item;
    while (reader.Next(item)) {
    }
    EXPECT_EQ(item, "");
}

TEST(CommaText, JoiningQuotesWhatSplittingWouldBreak) {
    EXPECT_EQ(JoinCommaText({"3", "4"}), "3,4");
    EXPECT_EQ(JoinCommaText({"a b", "c,d", "say \"hi\"", ""}),
              "\"a b\",\"c,d\",\"say \"\"hi\"\"\",");
    EXPECT_EQ(JoinCommaText({""}), "\"\"");
    EXPECT_EQ(JoinCommaText({}), "");
    for (const Items& items : {Items{"a b", "c,d", "\"q\""}, Items{"x", "y"}, Items{""}})
        EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items);
}
