#include "engine/html/zelHtml.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using Items = std::vector<std::string>;
using namespace std::string_literals;

namespace {

Items itemsOf(std::string page, int* code = nullptr) {
    zelHtml html;
    Items list{"stale"};
    html.LoadItemsFromBytes(std::move(page), list);
    if (code) *code = html.Code;
    return list;
}

} // namespace

TEST(Items, CutsTagsAndTextAndFoldsLineBreaks) {
    EXPECT_EQ(itemsOf("<html><BODY><a href=\"x.html\">Title</a> text\r\nmore\rand\nend</body>"),
              (Items{"<html>", "<BODY>", "<a href=\"x.html\">", "Title", "</a>",
                     "text more and end", "</body>"}));
    EXPECT_EQ(itemsOf("<a\r\nhref=x\rtitle=y\n>"), (Items{"<a href=x title=y >"}));
    EXPECT_EQ(itemsOf("  lone text  "), (Items{"lone text"}));
    EXPECT_EQ(itemsOf(""), Items{});
}

TEST(Items, FullWidthSpaceAloneIsAnEmptyItem) {
    EXPECT_EQ(itemsOf("<p>\x81\x40</p><p> </p>"), (Items{"<p>", "", "</p>", "<p>", "", "</p>"}));
}

TEST(Items, QuotesInTextSwallowTags) {
    EXPECT_EQ(itemsOf("<p>it's <b>bold</b> isn't</p>"),
              (Items{"<p>", "it's <b>bold</b> isn't", "</p>"}));
    EXPECT_EQ(itemsOf("say \"<b>\" now<i>"), (Items{"say \"<b>\" now", "<i>"}));
    // A double quote inside single quotes opens a nested run that hides
    // single quotes.
    EXPECT_EQ(itemsOf("a'b\"c'd\"e'f<p>"), (Items{"a'b\"c'd\"e'f", "<p>"}));
    // Unclosed: the rest of the page belongs to the item.
    EXPECT_EQ(itemsOf("x'<p>y"), (Items{"x'<p>y"}));
}

TEST(Items, TagsEndAtTheFirstBracketOutsideDoubleQuotes) {
    EXPECT_EQ(itemsOf("<a title=\"x>y\">z"), (Items{"<a title=\"x>y\">", "z"}));
    EXPECT_EQ(itemsOf("<a title='x>y"), (Items{"<a title='x>", "y"}));
    EXPECT_EQ(itemsOf("<a href=x"), (Items{"<a href=x"}));
    EXPECT_EQ(itemsOf("a<<b>"), (Items{"a", "<<b>"}));
}

TEST(Items, CommentsNestAndAlwaysClose) {
    EXPECT_EQ(itemsOf("<!-- a <!-- b --> c -->x"), (Items{"<!-- a <!-- b --> c -->", "x"}));
    EXPECT_EQ(itemsOf("<!--->x"), (Items{"<!---->", "x"}));
    EXPECT_EQ(itemsOf("<!-->x"), (Items{"<!-->x-->"}));
    EXPECT_EQ(itemsOf("<!-- a - b -- c --->"), (Items{"<!-- a - b -- c --->"}));
    EXPECT_EQ(itemsOf("<!--\r\nline\n-->"), (Items{"<!-- line -->"}));
    EXPECT_EQ(itemsOf("<!-- open"), (Items{"<!-- open-->"}));
    EXPECT_EQ(itemsOf("<!-- <!-- open"), (Items{"<!-- <!-- open-->-->"}));
    EXPECT_EQ(itemsOf("<!x>"), (Items{"<!x>"}));
}

TEST(Items, ScriptsAreReadWhole) {
    EXPECT_EQ(
        itemsOf(
            "<script>if (a < b) x = \"</script>\"; // </script>\n/* </script> */</script><p>after"),
        (Items{"<script>", "if (a < b) x = \"</script>\"; // </script>\n/* </script> */",
               "</script>", "<p>", "after"}));
    EXPECT_EQ(itemsOf("<SCRIPT>\r\n<!--\r\nvar a=1;\r\n// -->\r\n</SCRIPT>"),
              (Items{"<SCRIPT>", "<!-- var a=1; // -->", "</SCRIPT>"}));
    // Only "</script>" exactly ends a script.
    EXPECT_EQ(itemsOf("<script>a</script >b</Script>"),
              (Items{"<script>", "a</script >b", "</Script>"}));
    EXPECT_EQ(itemsOf("<script src=a.js></script><p>"),
              (Items{"<script src=a.js>", "", "</script>", "<p>"}));
    EXPECT_EQ(itemsOf("<script>a = 1 / 2;</script>"),
              (Items{"<script>", "a = 1 / 2;", "</script>"}));
}

TEST(Items, ScriptQuotesNestBothWays) {
    // Inside a script a single quote within double quotes opens a nested
    // string, so an apostrophe in a string can carry the body to the end.
    EXPECT_EQ(itemsOf("<script>s=\"it's\";</script><p>x'y</p>"),
              (Items{"<script>", "s=\"it's\";</script><p>x'y</p>"}));
    EXPECT_EQ(itemsOf("<script>s='a\"b';</script>t"), (Items{"<script>", "s='a\"b';</script>t"}));
    EXPECT_EQ(itemsOf("<script>s='ab';</script>t"),
              (Items{"<script>", "s='ab';", "</script>", "t"}));
}

TEST(Items, EntitiesAreDecodedAfterCutting) {
    EXPECT_EQ(itemsOf("<p>&lt;b&gt; &amp;amp;</p>"), (Items{"<p>", "<b> &amp;", "</p>"}));
    EXPECT_EQ(itemsOf("<a title=\"&quot;\">&nbsp;x&nbsp;"), (Items{"<a title=\"\"\">", "x"}));
}

TEST(Items, NulBytesEndAnItemButNotThePage) {
    EXPECT_EQ(itemsOf("ab\0cd<p>"s), (Items{"ab", "cd", "<p>"}));
}

TEST(Items, HostileNestingDoesNotExhaustTheStack) {
    // In a script each quote of the other kind opens a nested string.
    std::string quotes;
    for (int i = 0; i < 200000; ++i)
        quotes += "\"'";
    Items items = itemsOf("<script>" + quotes);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1], quotes);

    std::string comments;
    for (int i = 0; i < 100000; ++i)
        comments += "<!--";
    items = itemsOf(comments);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].size(), comments.size() + 3 * 100000);
}

TEST(Items, CodeDetection) {
    struct Case {
        const char* name;
        std::string page;
        int code;
        Items items;
    } cases[] = {
        {"ascii only defaults to EUC-JP", "<p>news</p>", 2, {"<p>", "news", "</p>"}},
        {"meta Shift_JIS before any text decides",
         "<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"><p>\xB1\xB2",
         1,
         {"<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">", "<p>",
          "\xB1\xB2"}},
        {"x-sjis", "<meta charset=x-sjis>\xB1", 1, {"<meta charset=x-sjis>", "\xB1"}},
        {"EUC-JP text without meta",
         "<p>\xA4\xA2\xA4\xA4</p>",
         2,
         {"<p>", "\x82\xA0\x82\xA2", "</p>"}},
        {"Shift_JIS text without meta decides by bytes",
         "<p>\x82\xA0</p>",
         1,
         {"<p>", "\x82\xA0", "</p>"}},
        {"meta euc-jp",
         "<meta charset=\"EUC-JP\"><p>\xB0\xA1",
         2,
         {"<meta charset=\"EUC-JP\">", "<p>", "\x88\x9F"}},
        {"iso-2022-jp page",
         "<meta charset=iso-2022-jp><p>\x1B$B$\"\x1B(B!</p>",
         3,
         {"<meta charset=iso-2022-jp>", "<p>", "\x82\xA0!", "</p>"}},
        {"utf-8 byte-order mark",
         "\xEF\xBB\xBF<p>\xE3\x81\x82</p>",
         4,
         {"<p>", "\x82\xA0", "</p>"}},
        {"html5 meta utf-8",
         "<meta charset=\"utf-8\"><p>\xE3\x81\x82\xE3\x80\x9C</p>",
         4,
         {"<meta charset=\"utf-8\">", "<p>", "\x82\xA0\x81\x60", "</p>"}},
        {"meta utf8",
         "<meta http-equiv=content-type content=\"text/html;charset=UTF8\">\xE3\x81\x82",
         4,
         {"<meta http-equiv=content-type content=\"text/html;charset=UTF8\">", "\x82\xA0"}},
        {"empty script before the charset tag",
         "<script src=x></script><meta charset=shift_jis><p>\xB1\xB2",
         1,
         {"<script src=x>", "", "</script>", "<meta charset=shift_jis>", "<p>", "\xB1\xB2"}},
        {"charset word outside a meta tag is ignored",
         "<p charset=shift_jis>\xB1\xB2",
         2,
         {"<p charset=shift_jis>", "\x89\x51"}},
    };
    for (const Case& c : cases) {
        int code = 0;
        EXPECT_EQ(itemsOf(c.page, &code), c.items) << c.name;
        EXPECT_EQ(code, c.code) << c.name;
    }
}

TEST(Items, LoadItemsReadsTheFileAndTreatsAMissingOneAsEmpty) {
    testsupport::TempDir dir;
    std::string path =
        dir.write("page.html", "<meta charset=shift_jis><p>\x83\x6A\x83\x85\x81\x5B\x83\x58</p>");
    zelHtml html;
    Items list{"stale"};
    html.LoadItems(path, list);
    EXPECT_EQ(list, (Items{"<meta charset=shift_jis>", "<p>", "\x83\x6A\x83\x85\x81\x5B\x83\x58",
                           "</p>"}));
    EXPECT_EQ(html.Code, 1);
    EXPECT_EQ(html.FileName, path);

    html.LoadItems(dir.file("missing.html"), list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(html.Code, 2);
}

TEST(Items, DetectCodeReadsTheNamedFileOnce) {
    testsupport::TempDir dir;
    zelHtml html;
    html.FileName = dir.write("p.html", "<p>\x82\xA0");
    EXPECT_EQ(html.DetectCode(), 1);
    html.FileName = dir.write("q.html", "<meta charset=utf-8>");
    EXPECT_EQ(html.DetectCode(), 1) << "the code stays until the next page is loaded";
}

TEST(Items, ItemByItemReadingGivesWhatTheListGives) {
    const std::string pages[] = {
        "<html><BODY><a href=\"x.html\">Title</a> text\r\nmore</body>",
        "\xEF\xBB\xBF<p>utf-8 \xE6\x97\xA5</p>",
        "<meta charset=euc-jp><script>if (a < b) x = '</p>';</script><!-- c --><p>\xC6\xFC</p>",
        "",
    };
    for (const std::string& page : pages) {
        zelHtml html;
        html.OpenBytes(page);
        Items streamed;
        std::string item;
        while (html.NextItem(item))
            streamed.push_back(item);
        EXPECT_EQ(streamed, itemsOf(page)) << page;
    }
}

// Whatever item the reader is in when an abort comes, the page ends within
// a few kilobytes: no item runs on to the end of a large page.
TEST(Items, AnAbortEndsThePageWithinTheCheckInterval) {
    const std::string filler(4 * 1024 * 1024, 'x');
    std::string kana;
    for (int i = 0; i < 1024 * 1024; ++i)
        kana += "\x82\xA0";
    const std::string pages[] = {
        "<p>" + filler,
        "<p><a href=" + filler + ">",
        "<p><a title=\"" + filler + "\">",
        "<p>'" + filler + "'",
        "<p><!--" + filler + "-->",
        "<p><script>" + filler + "</script>",
        "<p><script>//" + filler + "\n</script>",
        "<p><script>/*" + filler + "*/</script>",
        "<p><script>var s = \"" + filler + "\";</script>",
        "<meta charset=shift_jis><p>" + kana,
    };
    for (const std::string& page : pages) {
        std::atomic<bool> aborting{false};
        zelHtml html;
        html.Aborting = &aborting;
        html.OpenBytes(page);
        std::string item;
        while (html.NextItem(item) && item != "<p>") {
        }
        aborting = true;
        size_t read = 0;
        while (html.NextItem(item))
            read += item.size();
        EXPECT_LE(read, 2 * zelHtml::kAbortCheckBytes) << page.substr(0, 30);
    }
}

TEST(Items, AnAbortBeforeReadingLeavesNoItems) {
    std::atomic<bool> aborting{true};
    zelHtml html;
    html.Aborting = &aborting;
    html.OpenBytes("<p>" + std::string(1024 * 1024, 'x') + "</p><meta charset=utf-8>");
    std::string item;
    EXPECT_FALSE(html.NextItem(item));
}

TEST(Items, AnAbortBeforeOpeningLeavesTheFileUnread) {
    testsupport::TempDir dir;
    std::string file = dir.write("page.html", "<meta charset=utf-8><p>x</p>");
    std::atomic<bool> aborting{true};
    zelHtml html;
    html.Aborting = &aborting;
    EXPECT_FALSE(html.Open(file));
    EXPECT_EQ(html.Code, zelHtml::CodeEuc) << "the default code, not the page's";
    std::string item;
    EXPECT_FALSE(html.NextItem(item));
    aborting = false;
    EXPECT_TRUE(html.Open(file));
    EXPECT_EQ(html.Code, zelHtml::CodeUtf8);
}

TEST(Items, AnOverlongItemIsCutAtACharacterBoundaryAndReadPast) {
    std::string kana;
    while (kana.size() < zelHtml::kMaxItemBytes + 1)
        kana += "\x82\xA0";
    for (const std::string& lead : {std::string(), std::string("x")}) {
        Items items = itemsOf("<meta charset=shift_jis><p>" + lead + kana + "</p>");
        ASSERT_EQ(items.size(), 4u);
        const std::string& cut = items[2];
        EXPECT_LE(cut.size(), zelHtml::kMaxItemBytes);
        EXPECT_GE(cut.size(), zelHtml::kMaxItemBytes - 1);
        EXPECT_TRUE(cut.ends_with("\x82\xA0")) << "no half character";
        EXPECT_EQ(items[3], "</p>");
    }
}

TEST(Items, OverlongItemsOfEveryKindKeepTheirStartAndAreReadPast) {
    std::string kana;
    while (kana.size() < zelHtml::kMaxItemBytes + 4 * zelHtml::kAbortCheckBytes)
        kana += "\x82\xA0";
    const struct {
        const char* what;
        std::string page, start, next;
    } cases[] = {
        {"an unclosed attribute", "<a title=\"" + kana, "<a title=\"\x82\xA0", ""},
        {"a comment", "<!--" + kana + "--><p>", "<!--\x82\xA0", "<p>"},
        {"a script body after blanks", "<script> \t \r\n " + kana + "</script>", "\x82\xA0",
         "</script>"},
        {"nested quotes in a script", "<script>'\"" + kana + "\"'</script>", "'\"\x82\xA0",
         "</script>"},
    };
    for (const auto& c : cases) {
        Items items = itemsOf("<meta charset=shift_jis>" + c.page);
        auto long_ = std::find_if(items.begin(), items.end(),
                                  [](const std::string& i) { return i.size() > 1000; });
        ASSERT_NE(long_, items.end()) << c.what;
        EXPECT_TRUE(long_->starts_with(c.start)) << c.what;
        EXPECT_GE(long_->size(), zelHtml::kMaxItemBytes - 1) << c.what;
        EXPECT_LE(long_->size(), zelHtml::kMaxItemBytes) << c.what;
        EXPECT_TRUE(long_->ends_with("\x82\xA0")) << c.what;
        EXPECT_EQ(long_ + 1 == items.end() ? "" : *(long_ + 1), c.next) << c.what;
    }
}
