#include "engine/html/zelHtml.h"

#include <gtest/gtest.h>

TEST(DecodeEntities, NamedEntitiesAreReplacedOneAfterAnother) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"a &AMP;lt; b", "a < b"}, // the ampersand first, then the rest over the result
        {"&amp;amp;", "&amp;"},
        {"&Nbsp;x&#160;", " x "},
        {"&quot;q&QUOT;", "\"q\""},
        {"&lt;b&gt;", "<b>"},
        {"&copy; &unknown;", "&copy; &unknown;"},
        {"no entities", "no entities"},
        {"&", "&"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zelHtml::DecodeEntities(c.in), c.out) << c.in;
}

TEST(DecodeEntities, NumericReferencesBecomeTheirShiftJisCharacter) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"&#65;", "A"},
        {"x&#12354;y", "x\x82\xA0y"}, // あ, not the low byte of its number
        {"&#x3042;&#X3044;", "\x82\xA0\x82\xA2"},
        {"&#xff71;", "\xB1"}, // half-width katakana: one byte
        {"&#x41", "&#x41"},   // no semicolon
        {"&#;&#x;", "&#;&#x;"},
        {"&#12a;", "&#12a;"},
        {"&#xZZ;", "&#xZZ;"},
        {"&#-5;", "&#-5;"},
        {"&#0;", "&#0;"},           // never a NUL inside text
        {"&#128512;", "&#128512;"}, // an emoji: code page 932 has none
        {"&#99999999999999999999;", "&#99999999999999999999;"},
        {"&#38;lt;", "&lt;"}, // numeric references come last
        {"&#65;&#66;", "AB"},
        {"a&#67;", "aC"}, // a semicolon at the very end counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(zelHtml::DecodeEntities(c.in), c.out) << c.in;
}

TEST(GetAttr, FindsValuesInTheirOwnLetterCase) {
    struct Case {
        const char* tag;
        const char* name;
        const char* value;
    } cases[] = {
        {"<A HREF=\"News/Index.HTML\">", "href", "News/Index.HTML"},
        {"<a href = \"x.html\" >", "href", "x.html"},
        {"<a href=x.html>", "href", "x.html"},
        {"<a href=x.html target=_top>", "href", "x.html"},
        {"<a href='y.html'>", "href", "y.html"},
        {"<a href=\"\">", "href", ""},
        {"<a href>", "href", ""},
        {"<a name=top>", "href", ""},
        {"<a href=\"open.html>", "href", "open.html>"},
        {"<meta http-equiv=refresh content=\"0; URL=next.html\">", "url", "next.html"},
        {"<meta http-equiv=\"Refresh\" content=\"5;url='next.html'\">", "url", "next.html"},
        // The first occurrence wins, even inside another word.
        {"<img hrefx=\"a\" href=\"b\">", "href", "a"},
        // "ド" is 0x83 0x68: its trail byte is an "h" that must not start "href".
        {"<a title=\x83href=wrong href=\"right\">", "href", "right"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zelHtml::GetAttr(c.tag, c.name), c.value) << c.tag;
}
