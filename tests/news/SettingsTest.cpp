#include "tests/support/AllocationCounter.h"
#include "tests/support/EngineFixture.h"

#include "engine/files/TIniFileEx.h"
#include "engine/inet/DownloadPool.h"
#include "engine/news/DefaultSites.h"
#include "engine/news/IntervalText.h"
#include "engine/news/SiteValue.h"
#include "engine/site/FeedReader.h"

using testsupport::ReadAll;

TEST_F(EngineTest, AFirstStartHasTodaysDefaultSitesWithOneRealFeedEnabled) {
    TPLYXNews& n = start();
    ASSERT_EQ(n.Sites()->Count(), 11);
    EXPECT_EQ(n.Sites()->Get(0)->Name, "QUARN News");
    EXPECT_EQ(n.Sites()->Get(1)->Name, S("朝日新聞"));
    EXPECT_EQ(n.Sites()->Get(10)->Name, "NNN24");
    for (int i = 0; i < 11; ++i) {
        const TNewsSite* site = n.Sites()->Get(i);
        EXPECT_EQ(site->Enabled, i == 7) << i;
        EXPECT_EQ(site->Interval, i == 0 ? 0 : 60) << i;
        if (i == 0) {
            EXPECT_EQ(site->URL, "") << "the maker's own page has no address";
            continue;
        }
        EXPECT_TRUE(site->URL.starts_with("https://")) << site->URL;
        EXPECT_EQ(site->URL.find("example"), std::string::npos) << site->URL;
    }
    // The enabled site is a feed, and a sample of it reads as one.
    std::string feed = testsupport::ReadAll(NEWS_SOURCE_DIR "/tests/news/data/top-picks.xml");
    std::vector<std::string> titles, links;
    const std::string& url = n.Sites()->Get(7)->URL;
    ASSERT_TRUE(LooksLikeFeed(feed));
    ASSERT_TRUE(ReadFeed(feed, url, url, titles, links, nullptr));
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_TRUE(titles[0].starts_with(S("寒気南下 日本海側で大雪の恐れ"))) << titles[0];
    EXPECT_EQ(links[2], "https://news.yahoo.co.jp/pickup/6484003?source=rss");
    EXPECT_TRUE(n.Online);
    EXPECT_EQ(n.Speed[0], 50);
    EXPECT_EQ(n.Step[0], -1);
    EXPECT_EQ(n.WindowPosition, std::make_pair(-1, -1));
    EXPECT_EQ(n.PropertyPosition, std::make_pair(-1, -1));
}

TEST_F(EngineTest, ScrollSettingsOutOfRangeAreCorrectedOnRead) {
    struct Case {
        const char* speed;
        const char* step;
        int wantSpeed, wantStep;
    } cases[] = {{"0", "3", 50, -1},
                 {"-7", "0", 50, -1},
                 {"1", "-1", 1, -1},
                 {"120", "-4", 120, -4},
                 {"x", "y", 50, -1}};
    for (const Case& c : cases) {
        writeSettings(std::string("[PLYXNews]\r\nVersion=6320\r\nWindowScrollSpeed=") + c.speed +
                      "\r\nWindowScrollStep=" + c.step + "\r\n");
        TPLYXNews& n = start();
        EXPECT_EQ(n.Speed[0], c.wantSpeed) << c.speed;
        EXPECT_EQ(n.Step[0], c.wantStep) << c.step;
        news.reset();
    }
}

TEST_F(EngineTest, SiteValuesArePaddedAndBadNumbersFallBack) {
    writeSettings("[PLYXNews]\r\nVersion=6320\r\n[Site]\r\n"
                  "Only URL=\"http://a.example/\"\r\n"
                  "Full=\"http://b.example/x y\",1,15\r\n"
                  "Bad numbers=\"http://c.example/\",yes,often\r\n"
                  "Empty=\r\n");
    TPLYXNews& n = start();
    ASSERT_EQ(n.Sites()->Count(), 4) << "no default sites for a current file";
    struct Want {
        const char* name;
        const char* url;
        bool enabled;
        int interval;
    } want[] = {{"Only URL", "http://a.example/", false, 60},
                {"Full", "http://b.example/x y", true, 15},
                {"Bad numbers", "http://c.example/", false, 60},
                {"Empty", "", false, 60}};
    for (int i = 0; i < 4; ++i) {
        TNewsSite* s = n.Sites()->Get(i);
        EXPECT_EQ(s->Name, want[i].name);
        EXPECT_EQ(s->URL, want[i].url);
        EXPECT_EQ(s->Enabled, want[i].enabled) << want[i].name;
        EXPECT_EQ(s->Interval, want[i].interval) << want[i].name;
    }
}

TEST_F(EngineTest, SettingsSurviveARoundTripAndADeletedDefaultStaysDeleted) {
    {
        TPLYXNews& n = start();
        n.Online = false;
        n.PropertyPosition = {10, 20};
        n.PropertyPage = 1;
        n.WindowEnabled = true;
        n.WindowLocation = 5;
        n.WindowPosition = {-30, 40};
        n.Design = "/designs/a b.plyxd";
        n.Speed[0] = 70;
        n.Step[0] = -2;
        n.Sites()->Delete(n.Sites()->IndexOfName(S("読売新聞")));
        n.Sites()->Add(S("地元=ニュース"), "http://local.example/", 30, true);
        n.Sites()->Add(";comment", "http://semi.example/", 0, true);
        n.Sites()->Add("[section]", "http://bracket.example/", 120, false);
        n.Sites()->Add("", "http://nameless.example/", 5, true);
        news.reset(); // saves
    }
    std::string text = ReadAll(settings());
    EXPECT_NE(text.find("Version=6320\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Debug="), std::string::npos) << "Debug is read, never written";
    EXPECT_EQ(text.find("nameless"), std::string::npos) << "nameless sites are not kept";

    TPLYXNews& n = start();
    EXPECT_FALSE(n.Online);
    EXPECT_EQ(n.PropertyPosition, std::make_pair(10, 20));
    EXPECT_EQ(n.PropertyPage, 1);
    EXPECT_TRUE(n.WindowEnabled);
    EXPECT_EQ(n.WindowLocation, 5);
    EXPECT_EQ(n.WindowPosition, std::make_pair(-30, 40));
    EXPECT_EQ(n.Design, "/designs/a b.plyxd");
    EXPECT_EQ(n.Speed[0], 70);
    EXPECT_EQ(n.Step[0], -2);
    EXPECT_EQ(n.Sites()->Count(), 13);
    EXPECT_EQ(n.Sites()->Find(S("読売新聞")), nullptr);
    // Characters the settings file would misread come back full-width,
    // with the site's URL, flag and interval intact.
    TNewsSite* local = n.Sites()->Find(S("地元＝ニュース"));
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->URL, "http://local.example/");
    EXPECT_TRUE(local->Enabled);
    EXPECT_EQ(local->Interval, 30);
    TNewsSite* semi = n.Sites()->Find(S("；comment"));
    ASSERT_NE(semi, nullptr);
    EXPECT_EQ(semi->Interval, 0);
    TNewsSite* bracket = n.Sites()->Find(S("［section]"));
    ASSERT_NE(bracket, nullptr);
    EXPECT_FALSE(bracket->Enabled);
    EXPECT_EQ(bracket->Interval, 120);
}

TEST_F(EngineTest, AnOlderFileGetsTheMissingDefaultsAfterItsOwnSites) {
    writeSettings("[PLYXNews]\r\nVersion=6310\r\n[Site]\r\nNNN24=\"http://mine.example/\",1,5\r\n"
                  "Mine=\"http://m.example/\",1,10\r\n");
    TPLYXNews& n = start();
    ASSERT_EQ(n.Sites()->Count(), 12);
    EXPECT_EQ(n.Sites()->Get(0)->URL, "http://mine.example/") << "an existing name is kept";
    EXPECT_EQ(n.Sites()->Get(1)->Name, "Mine");
    EXPECT_EQ(n.Sites()->Get(2)->Name, "QUARN News");
    EXPECT_EQ(n.Sites()->IndexOfName("NNN24"), 0);
}

TEST_F(EngineTest, AnOlderFilesSiteNamedLikeADefaultInOtherCaseIsNotOverwritten) {
    // The file's keys know no letter case: a default added beside such a
    // site would take its key at the next save.
    writeSettings("[PLYXNews]\r\nVersion=6310\r\n[Site]\r\nnnn24=\"http://mine.example/\",1,5\r\n");
    for (int run = 0; run < 2; ++run) {
        TPLYXNews& n = start();
        EXPECT_EQ(n.Sites()->Count(), 11) << run;
        TNewsSite* mine = n.Sites()->Get(0);
        EXPECT_EQ(mine->Name, "nnn24") << run;
        EXPECT_EQ(mine->URL, "http://mine.example/") << run;
        EXPECT_TRUE(mine->Enabled) << run;
        EXPECT_EQ(mine->Interval, 5) << run;
        news.reset(); // saves
    }
}

TEST_F(EngineTest, ExtractionIsExtendedUnlessSetToZeroAndIsWrittenBack) {
    struct Case {
        const char* line; // in section PLYXNews, "" for none
        int want;
        bool extended;
    } cases[] = {{"", 1, true},
                 {"Extraction=0\r\n", 0, false},
                 {"Extraction=1\r\n", 1, true},
                 {"Extraction=2\r\n", 2, true},
                 {"Extraction=exact\r\n", 1, true}};
    for (const Case& c : cases) {
        writeSettings(std::string("[PLYXNews]\r\nVersion=6320\r\n") + c.line);
        TPLYXNews& n = start();
        EXPECT_EQ(n.Extraction, c.want) << c.line;
        EXPECT_EQ(n.Sites()->Extended(), c.extended) << c.line;
        news.reset(); // saves
        EXPECT_NE(ReadAll(settings()).find("Extraction=" + std::to_string(c.want) + "\r\n"),
                  std::string::npos)
            << c.line;
    }
}

TEST_F(EngineTest, DownloadsSetsHowManyPagesAreFetchedAtOnceWithinOneToSixteen) {
    struct Case {
        const char* line; // in section PLYXNews, "" for none
        int want;
    } cases[] = {{"", 8},
                 {"Downloads=2\r\n", 2},
                 {"Downloads=0\r\n", 1},
                 {"Downloads=500\r\n", 16},
                 {"Downloads=many\r\n", 8}};
    for (const Case& c : cases) {
        writeSettings(std::string("[PLYXNews]\r\nVersion=6320\r\n") + c.line);
        start();
        EXPECT_EQ(DownloadPool::Limit(), c.want) << c.line;
        news.reset();
    }
}

TEST_F(EngineTest, AnUnwritableSettingsFileIsReportedNotClaimed) {
    TPLYXNews& n = start();
    std::filesystem::create_directory(settings()); // a folder where the file should be
    EXPECT_FALSE(n.SaveSettings());
    std::filesystem::remove(settings());
    EXPECT_TRUE(n.SaveSettings());
}

TEST_F(EngineTest, ASettingsFileThatCannotBeReadIsSaidOnceAndNeverWrittenOver) {
    // Over the size limit: a user's long site list, or notes of their own.
    std::string text = "[PLYXNews]\r\nVersion=6320\r\n[Site]\r\nMine=\"http://m.example/\",1,5\r\n";
    text.resize((64u << 20) + 1, ' ');
    writeSettings(text);
    TPLYXNews& n = start();
    EXPECT_EQ(n.Sites()->Count(), 11) << "the defaults, in memory";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(settings()), std::string::npos);
    EXPECT_FALSE(n.SaveSettings());
    news.reset(); // saves again at close
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(ReadAll(settings()) == text) << "the file was written over";
}

TEST_F(EngineTest, ASaveChangesOnlyTheEnginesKeysAndKeepsTheFilesOrder) {
    const std::string text = "; my notes\r\n[Notes]\r\nfoo=bar\r\n\r\n[Site]\r\n; favourites\r\n"
                             "Mine=\"http://m.example/\",1,5\r\n\r\n[PLYXNews]\r\nVersion=6320\r\n"
                             "Unknown=kept\r\n[site]\r\nSecond=\"http://s.example/\",0,10\r\n";
    writeSettings(text);
    TPLYXNews& n = start();
    ASSERT_EQ(n.Sites()->Count(), 2) << "a repeated section reads as one";
    EXPECT_EQ(n.Sites()->Get(1)->URL, "http://s.example/");
    n.Sites()->Add("New", "http://n.example/", 30, true);
    news.reset(); // saves
    std::string saved = ReadAll(settings());
    EXPECT_TRUE(
        saved.starts_with("; my notes\r\n[Notes]\r\nfoo=bar\r\n\r\n[Site]\r\n; favourites\r\n"
                          "Mine=\"http://m.example/\",1,5\r\nSecond=\"http://s.example/\",0,10\r\n"
                          "New=\"http://n.example/\",1,30\r\n\r\n[PLYXNews]\r\nVersion=6320\r\n"
                          "Unknown=kept\r\n"))
        << saved;
    EXPECT_EQ(saved.find("[site]"), std::string::npos) << "written back as one section";
}

TEST(SiteValueText, MillionsOfItemsAfterTheThreeCostNoMoreThanTheValue) {
    std::string tail(4 << 20, ',');
    std::string value = "\"http://a/\",1,30" + tail;
    testsupport::AllocationCounter counter;
    SiteValue v = ParseSiteValue(value);
    EXPECT_LT(counter.Bytes(), 3 * tail.size());
    EXPECT_EQ(v.url, "http://a/");
    EXPECT_TRUE(v.enabled);
    EXPECT_EQ(v.interval, 30);
}

TEST(SiteValueText, FormatsAndParsesBothWays) {
    EXPECT_EQ(FormatSiteValue({"http://a/", true, 15}), "\"http://a/\",1,15");
    EXPECT_EQ(FormatSiteValue({"", false, 0}), "\"\",0,0");
    SiteValue v = ParseSiteValue("\"http://a/b,c\",1,0");
    EXPECT_EQ(v.url, "http://a/b,c");
    EXPECT_TRUE(v.enabled);
    EXPECT_EQ(v.interval, 0);
    // A quote inside a URL is doubled, so the flag and interval after it
    // read back as they were written.
    for (const char* url : {"http://a/\"b", "\"", "http://a/\"\",0,5", "http://a/ b,c"}) {
        SiteValue back = ParseSiteValue(FormatSiteValue({url, true, 15}));
        EXPECT_EQ(back.url, url);
        EXPECT_TRUE(back.enabled) << url;
        EXPECT_EQ(back.interval, 15) << url;
    }
    EXPECT_EQ(StorableSiteName("a=b=c"), S("a＝b＝c"));
    EXPECT_EQ(StorableSiteName(S("表;[x]")), S("表;[x]")) << "only a leading ; or [ misleads";
}

TEST(IntervalTexts, ReadAndWriteTheDialogsUnits) {
    EXPECT_EQ(IntervalToText(90), S("90分"));
    EXPECT_EQ(IntervalToText(120), S("2時間"));
    EXPECT_EQ(IntervalToText(0), S("起動時"));
    EXPECT_EQ(IntervalToText(5), S("5分"));
    EXPECT_EQ(TextToInterval(S("3時間")), 180);
    EXPECT_EQ(TextToInterval(S("45分")), 45);
    EXPECT_EQ(TextToInterval("15"), 0);
    EXPECT_EQ(TextToInterval(S("起動時")), 0) << "時 with no number before it";
    EXPECT_EQ(TextToInterval(S("時間")), 0);
    EXPECT_EQ(TextToInterval(S("99999999時間")), 0) << "too large to hold in minutes";
    for (int minutes : {0, 1, 59, 60, 61, 180, 1440})
        EXPECT_EQ(TextToInterval(IntervalToText(minutes)), minutes) << minutes;
}
