#include "tests/property/PropertyFixture.h"

#include "tests/support/EventPump.h"
#include "tests/support/HttpServer.h"

#include <filesystem>

using testsupport::ReadAll;

namespace {

class OkTest : public PropertyTest {
protected:
    TFormProperty& openWith(const std::vector<SiteRow>& sites, bool online = false) {
        writeSites(sites, online);
        start();
        return open();
    }
    void TearDown() override {
        if (news) testsupport::PumpUntil([&] { return !news->Sites()->IsBusy(); });
        PropertyTest::TearDown();
    }
    // The player's design: comments, other sections and keys around the
    // skin ticker's, in the file's own spacing and line ends.
    std::string useDesign(const std::string& text) {
        std::string path = dir.write("skin.ini", text);
        player->Design = path;
        return path;
    }
};

const char* kDesign = "; my skin\r\n"
                      "[Main]\r\n"
                      "Picture = main.bmp\r\n"
                      "\r\n"
                      "[Strevo]\r\n"
                      "; the ticker\r\n"
                      "Left=10\r\n"
                      "Option = Scroll=30,Font=x\r\n"
                      "Alignment=1\r\n"
                      "Level=5   \r\n"
                      "[After]\r\n"
                      "Alignment=7\r\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

} // namespace

TEST_F(OkTest, ScrollEditsThatAreNoPositiveSpeedOrNonZeroStepLeaveTheValues) {
    struct {
        const char *speed, *step;
        int wantSpeed, wantStep;
    } cases[] = {{"0", "0", 50, -1},    {"-5", "abc", 50, -1},        {"abc", "", 50, -1},
                 {"70", "3", 70, 3},    {" 80", "-4", 80, -4},        {"$20", "-$2", 32, -2},
                 {"1.5", "2x", 50, -1}, {"99999999999", "-2", 50, -2}};
    for (const auto& c : cases) {
        writeSites({});
        start();
        TFormProperty& form = open();
        type(form.EditScrollSpeedWindow, c.speed);
        type(form.EditScrollStepWindow, c.step);
        type(form.EditScrollSpeedPanel, c.speed);
        ok(form);
        EXPECT_EQ(news->Speed[0], c.wantSpeed) << c.speed;
        EXPECT_EQ(news->Step[0], c.wantStep) << c.step;
        EXPECT_EQ(news->Speed[1], c.wantSpeed == 50 ? 100 : c.wantSpeed) << c.speed;
        news.reset();
    }
}

TEST_F(OkTest, APanelStepWritesTheSkinKeysAndKeepsEveryOtherByte) {
    writeSites({});
    start();
    std::string design = useDesign(kDesign);
    news->Speed[1] = 30;
    news->Step[1] = 5;
    TFormProperty& form = open();
    type(form.EditScrollStepPanel, "-2");
    ok(form);
    EXPECT_EQ(news->Step[1], -2);
    std::string want = replaced(kDesign, "Option = Scroll=30,Font=x", "Option=Scroll=30");
    want = replaced(want, "Alignment=1\r\n", "Alignment=0\r\n");
    want = replaced(want, "Level=5   ", "Level=2");
    EXPECT_EQ(ReadAll(design), want);
}

TEST_F(OkTest, PanelValuesAsBeforeWriteNothingIntoTheSkin) {
    writeSites({});
    start();
    std::string design = useDesign(kDesign);
    TFormProperty& form = open();
    type(form.EditScrollSpeedPanel, "100");
    type(form.EditScrollStepPanel, "-1");
    type(form.EditScrollSpeedWindow, "20");
    ok(form);
    EXPECT_EQ(news->Speed[0], 20);
    EXPECT_EQ(ReadAll(design), kDesign);

    TFormProperty& again = open();
    type(again.EditScrollStepPanel, "0");
    type(again.EditScrollSpeedPanel, "abc");
    ok(again);
    EXPECT_EQ(ReadAll(design), kDesign) << "values not taken change nothing";
}

TEST_F(OkTest, APanelSpeedAloneWritesAllThreeKeys) {
    struct {
        const char *speed, *step;
        const char* want;
    } cases[] = {
        {"40", "-1", "Option=Scroll=40\r\nAlignment=0\r\nLevel=1\r\n"},
        {"100", "3", "Option=Scroll=100\r\nAlignment=1\r\nLevel=3\r\n"},
        {"100", "-2147483648", "Option=Scroll=100\r\nAlignment=0\r\nLevel=2147483648\r\n"}};
    for (const auto& c : cases) {
        writeSites({});
        start();
        std::string design = useDesign("[Main]\r\nA=1\r\n");
        TFormProperty& form = open();
        type(form.EditScrollSpeedPanel, c.speed);
        type(form.EditScrollStepPanel, c.step);
        ok(form);
        EXPECT_EQ(ReadAll(design), std::string("[Main]\r\nA=1\r\n[Strevo]\r\n") + c.want) << c.step;
        news.reset();
    }
}

TEST_F(OkTest, APlayerWhoseDesignIsAPlainPictureKeepsItUntouched) {
    for (const char* picture : {"flat.bmp", "flat.jpg"}) {
        writeSites({});
        start();
        std::string bytes = ReadAll(std::string(NEWS_SOURCE_DIR) + "/tests/window/data/" + picture);
        player->Design = dir.write(picture, bytes);
        TFormProperty& form = open();
        type(form.EditScrollSpeedPanel, "40");
        type(form.EditScrollStepPanel, "-3");
        ok(form);
        EXPECT_EQ(news->Speed[1], 40);
        EXPECT_EQ(news->Step[1], -3);
        EXPECT_EQ(ReadAll(player->Design), bytes)
            << picture << ": no skin ticker there to keep them for";
        EXPECT_TRUE(boxes.empty()) << picture;
        news.reset();
    }
}

TEST_F(OkTest, ASkinThatCannotBeWrittenIsReportedOnceAfterTheSettingsAreSaved) {
    TFormProperty& form = openWith({{"Alpha", "http://a.example/", false, 60}});
    std::string design = dir.file("skin-folder");
    std::filesystem::create_directory(design);
    player->Design = design;
    type(form.EditScrollStepPanel, "-3");
    type(form.EditScrollSpeedWindow, "70");
    click(form.BtnAdd);
    type(form.EditSiteURL, "http://new.example/");
    ok(form);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(design), std::string::npos) << boxes[0];
    EXPECT_EQ(boxes[0].find(settings()), std::string::npos);
    EXPECT_FALSE(Globals().FormProperty) << "the dialog still closes";
    EXPECT_EQ(news->Step[1], -3);
    std::string saved = ReadAll(settings());
    EXPECT_NE(saved.find("WindowScrollSpeed=70\r\n"), std::string::npos);
    EXPECT_NE(saved.find("News Site #1=\"http://new.example/\",0,60\r\n"), std::string::npos);
}

TEST_F(OkTest, OKPassesTheOptionsToTheEngine) {
    Globals().MakeNewsWindow = [](QWidget*) -> INewsWindow* { return new FakeNewsWindow; };
    TFormProperty& form = openWith({});
    form.CheckBoxOnline->setChecked(false);
    form.CheckBoxWindowEnabled->setChecked(true);
    form.CheckBoxStayOnTop->setChecked(true);
    form.ComboBoxWindowLocation->setCurrentIndex(5);
    form.EditDesign->setText(Q("/designs/夜.plyxd"));
    form.move(70, 80);
    ok(form);
    EXPECT_FALSE(news->Online);
    EXPECT_TRUE(news->WindowEnabled);
    ASSERT_NE(Globals().PLYXNewsWindow, nullptr);
    EXPECT_TRUE(news->StayOnTop);
    EXPECT_EQ(news->WindowLocation, 5);
    EXPECT_EQ(news->Design, S("/designs/夜.plyxd"));
    auto* window = static_cast<FakeNewsWindow*>(Globals().PLYXNewsWindow);
    EXPECT_EQ(window->loaded, std::vector<std::string>{S("/designs/夜.plyxd")});
    EXPECT_EQ(news->PropertyPosition, std::make_pair(70, 80));
    EXPECT_FALSE(Globals().FormProperty);
}

TEST_F(OkTest, AWindowOnTopWithThePlayerStaysOnTopAfterOK) {
    Globals().MakeNewsWindow = [](QWidget*) -> INewsWindow* { return new FakeNewsWindow; };
    player->SetStayOnTop(true);
    TFormProperty& form = openWith({});
    form.CheckBoxWindowEnabled->setChecked(true);
    ok(form);
    auto* window = static_cast<FakeNewsWindow*>(Globals().PLYXNewsWindow);
    ASSERT_NE(window, nullptr);
    player->SetStayOnTop(false);
    pump();
    player->SetStayOnTop(true);
    pump();
    ok(open());
    EXPECT_EQ(window->stayOnTop, (std::vector<bool>{true, false, true, true}));
    EXPECT_TRUE(news->StayOnTop);
}

TEST_F(OkTest, EnablingASiteOrAddingOneUpdatesAtOnceAndAURLChangeAloneDoesNot) {
    testsupport::HttpServer server;
    server.Route("/a", {200, "<html><a href=\"x.html\">Headline A</a></html>"});
    server.Route("/b", {200, "<html><a href=\"y.html\">Headline B</a></html>"});
    server.Route("/n", {200, "<html></html>"});
    enum Change { EnableIt, UrlOnly, AddOne, EnableWithoutURL };
    for (Change change : {EnableIt, UrlOnly, AddOne, EnableWithoutURL}) {
        TFormProperty& form = openWith(
            {{"Alpha", server.Url("/a"), false, 60}, {"Beta", server.Url("/b"), false, 60}}, true);
        switch (change) {
        case EnableIt:
            form.ListViewNews->topLevelItem(1)->setCheckState(0, Qt::Checked);
            break;
        case UrlOnly:
            selectRow(form, 0);
            type(form.EditSiteURL, QString::fromStdString(server.Url("/b")));
            break;
        case AddOne:
            click(form.BtnAdd);
            type(form.EditSiteURL, QString::fromStdString(server.Url("/n")));
            break;
        case EnableWithoutURL:
            selectRow(form, 0);
            type(form.EditSiteURL, "   ");
            form.ListViewNews->topLevelItem(0)->setCheckState(0, Qt::Checked);
            break;
        }
        click(form.BtnOK);
        TNewsSites& sites = *news->Sites();
        if (change == EnableIt) {
            EXPECT_TRUE(sites.Get(1)->Busy) << "the enabled site is fetched at once";
            EXPECT_TRUE(sites.Get(1)->Enabled);
        } else if (change == AddOne) {
            EXPECT_FALSE(sites.Get(2)->Enabled) << "a new row starts unchecked";
            EXPECT_FALSE(sites.IsBusy());
        } else {
            EXPECT_FALSE(sites.IsBusy()) << change;
        }
        if (change == UrlOnly) {
            EXPECT_EQ(sites.Get(0)->URL, server.Url("/b"));
        }
        if (change == EnableWithoutURL) {
            EXPECT_FALSE(sites.Get(0)->Enabled) << "a site without URL is kept disabled";
            EXPECT_EQ(sites.Get(0)->URL, "");
        }
        ASSERT_TRUE(testsupport::PumpUntil([&] { return !sites.IsBusy(); }));
        pump();
        news.reset();
    }
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].path, "/b");
}

TEST_F(OkTest, ANewCheckedRowWithAURLIsFetchedAtOnce) {
    testsupport::HttpServer server;
    server.Route("/n", {200, "<html></html>"});
    TFormProperty& form = openWith({}, true);
    click(form.BtnAdd);
    type(form.EditSiteURL, QString::fromStdString(server.Url("/n")));
    form.ListViewNews->topLevelItem(0)->setCheckState(0, Qt::Checked);
    click(form.BtnOK);
    EXPECT_TRUE(news->Sites()->IsBusy());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !news->Sites()->IsBusy(); }));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(OkTest, RowOrderBecomesTheSiteOrderAndBothSiteMenusFollow) {
    Globals().MakeNewsWindow = [](QWidget*) -> INewsWindow* { return new FakeNewsWindow; };
    TFormProperty& form = openWith({{"Alpha", "http://a.example/", true, 60},
                                    {"Beta", "http://b.example/", true, 60},
                                    {"Gamma", "http://c.example/", true, 60},
                                    {"Delta", "http://d.example/", true, 60}});
    ASSERT_TRUE(news->CreateNewsWindow());
    auto* window = static_cast<FakeNewsWindow*>(Globals().PLYXNewsWindow);
    selectRow(form, 3);
    click(form.BtnUp);
    click(form.BtnUp);
    selectRow(form, 0);
    click(form.BtnDown);
    ok(form);
    std::vector<std::string> want{"Delta", "Alpha", "Beta", "Gamma"};
    EXPECT_EQ(siteNames(), want);
    EXPECT_EQ(window->menu, want);
    std::vector<std::string> hostMenu;
    for (long id : player->Children(news->Menu.SiteId))
        hostMenu.push_back(player->MenuItem(id)->caption);
    EXPECT_EQ(hostMenu, want);
    std::string saved = ReadAll(settings());
    EXPECT_LT(saved.find("Delta="), saved.find("Alpha="));
    EXPECT_LT(saved.find("Beta="), saved.find("Gamma="));
}

TEST_F(OkTest, ADeletedRowTakesItsSiteOutOfTheListAndTheSettingsFile) {
    TFormProperty& form = openWith({{"Alpha", "http://a.example/", true, 60},
                                    {"Beta", "http://b.example/", true, 60},
                                    {"Gamma", "http://c.example/", true, 60}});
    ASSERT_NE(ReadAll(settings()).find("Beta="), std::string::npos);
    selectRow(form, 1);
    click(form.BtnDel);
    ok(form);
    EXPECT_EQ(siteNames(), (std::vector<std::string>{"Alpha", "Gamma"}));
    std::string saved = ReadAll(settings());
    EXPECT_EQ(saved.find("Beta"), std::string::npos);
    EXPECT_NE(saved.find("Gamma=\"http://c.example/\",1,60\r\n"), std::string::npos);
}

TEST_F(OkTest, RowsBecomeSitesWithTheirNamesURLsChecksAndIntervals) {
    TFormProperty& form = openWith({{"Alpha", "http://a.example/", true, 60}});
    selectRow(form, 0);
    type(form.EditSiteName, "  Alpha  ");
    type(form.EditSiteURL, " http://a2.example/ ");
    form.ComboBoxInterval->setEditText(Q("90分"));
    click(form.BtnAdd);
    type(form.EditSiteName, "   ");
    type(form.EditSiteURL, "http://nameless.example/");
    form.ComboBoxInterval->setEditText(Q("3時間"));
    form.ListViewNews->topLevelItem(1)->setCheckState(0, Qt::Checked);
    click(form.BtnAdd);
    type(form.EditSiteName, "");
    click(form.BtnOK);
    EXPECT_EQ(rowNames(form), (std::vector<std::string>{"Alpha", "Site1", "Site2"}))
        << "the list shows the names that were stored";
    pump();
    ASSERT_EQ(siteNames(), (std::vector<std::string>{"Alpha", "Site1", "Site2"}));
    TNewsSite* alpha = news->Sites()->Get(0);
    EXPECT_EQ(alpha->URL, "http://a2.example/");
    EXPECT_EQ(alpha->Interval, 90);
    EXPECT_TRUE(alpha->Enabled);
    TNewsSite* nameless = news->Sites()->Get(1);
    EXPECT_EQ(nameless->URL, "http://nameless.example/");
    EXPECT_EQ(nameless->Interval, 180);
    EXPECT_TRUE(nameless->Enabled);
    EXPECT_EQ(nameless->Countdown, 180);
    EXPECT_EQ(news->Sites()->Get(2)->Interval, 60);
}

TEST_F(OkTest, NamesTheSettingsFileWouldMisreadKeepTheirSitesThroughARestart) {
    TFormProperty& form = openWith({});
    const char* typed[] = {"a=b", ";note", "[top]", "ok[1]=2"};
    for (const char* name : typed) {
        click(form.BtnAdd);
        type(form.EditSiteName, name);
        type(form.EditSiteURL, QString("http://x.example/") + name[1]);
    }
    click(form.BtnOK);
    std::vector<std::string> shown{"a＝b", "；note", "［top]", "ok[1]＝2"};
    EXPECT_EQ(rowNames(form), shown) << "the list shows what is stored";
    pump();
    std::vector<std::string> before = siteNames();
    news.reset();
    start();
    EXPECT_EQ(siteNames(), before);
    EXPECT_EQ(news->Sites()->Get(1)->URL, "http://x.example/n");

    TFormProperty& again = open();
    ok(again);
    EXPECT_EQ(siteNames(), before) << "a second OK keeps them too";
}

TEST_F(OkTest, TwoRowsOfOneNameAddressOneSiteAndLeaveOneRow) {
    TFormProperty& form = openWith(
        {{"Alpha", "http://a.example/", true, 60}, {"Beta", "http://b.example/", true, 60}});
    click(form.BtnAdd);
    type(form.EditSiteName, "Alpha");
    type(form.EditSiteURL, "http://a2.example/");
    click(form.BtnAdd);
    type(form.EditSiteName, "Gamma");
    type(form.EditSiteURL, "http://c.example/");
    click(form.BtnOK);
    EXPECT_EQ(rowNames(form), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    pump();
    EXPECT_EQ(siteNames(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    TNewsSite* alpha = news->Sites()->Get(0);
    EXPECT_EQ(alpha->URL, "http://a2.example/") << "the later row updates the site";
    EXPECT_FALSE(alpha->Enabled);
}

TEST_F(OkTest, NamesDifferingOnlyInLetterCaseKeepBothSitesThroughARestart) {
    TFormProperty& form = openWith({{"Alpha", "http://a.example/", true, 60}});
    const char* typed[][2] = {{"ALPHA", "http://upper.example/"},
                              {"alpha", "http://lower.example/"},
                              {"Alpha (2)", "http://two.example/"}};
    for (auto& [name, url] : typed) {
        click(form.BtnAdd);
        type(form.EditSiteName, name);
        type(form.EditSiteURL, url);
    }
    click(form.BtnOK);
    std::vector<std::string> expected{"Alpha", "ALPHA (3)", "alpha (4)", "Alpha (2)"};
    EXPECT_EQ(rowNames(form), expected) << "the list shows the names the sites keep";
    pump();
    news.reset();
    start();
    ASSERT_EQ(siteNames(), expected);
    std::vector<std::string> urls;
    for (int i = 0; i < news->Sites()->Count(); ++i)
        urls.push_back(news->Sites()->Get(i)->URL);
    EXPECT_EQ(urls, (std::vector<std::string>{"http://a.example/", "http://upper.example/",
                                              "http://lower.example/", "http://two.example/"}));
}

TEST_F(OkTest, AWindowLocationTheListDoesNotHaveIsKept) {
    writeSites({});
    start();
    news->WindowLocation = 9;
    TFormProperty& form = open();
    EXPECT_EQ(form.ComboBoxWindowLocation->currentIndex(), -1);
    ok(form);
    EXPECT_EQ(news->WindowLocation, 9);
}

TEST_F(OkTest, TheSkinTickerReadsBackWhatOKWrote) {
    writeSites({});
    useDesign("[Strevo]\r\nLeft=10\r\nTop=20\r\nWidth=200\r\nHeight=18\r\nVisible=1\r\n"
              "Option=Scroll=30\r\nLevel=1\r\nAlignment=0\r\n");
    start();
    news->BuildSkinPanels();
    ASSERT_TRUE(news->TickerPanels[1]);
    TFormProperty& form = open();
    EXPECT_EQ(form.EditScrollSpeedPanel->text(), "30");
    EXPECT_EQ(form.EditScrollStepPanel->text(), "-1");
    type(form.EditScrollSpeedPanel, "45");
    type(form.EditScrollStepPanel, "3");
    ok(form);
    news->RemoveSkinPanels();
    news->Speed[1] = 1;
    news->Step[1] = 1;
    news->BuildSkinPanels();
    EXPECT_EQ(news->Speed[1], 45);
    EXPECT_EQ(news->Step[1], 3);
}

TEST_F(OkTest, OneBoxNamesEveryFileOKCouldNotWrite) {
    struct {
        bool settingsFails, skinFails;
    } cases[] = {{true, false}, {true, true}, {false, false}};
    for (const auto& c : cases) {
        std::filesystem::remove_all(settings());
        if (c.settingsFails) std::filesystem::create_directory(settings());
        std::string design = dir.file("skin.plyxd");
        std::filesystem::remove_all(design);
        if (c.skinFails)
            std::filesystem::create_directory(design);
        else
            dir.write("skin.plyxd", "[Strevo]\r\n");
        start();
        player->Design = design;
        TFormProperty& form = open();
        type(form.EditScrollSpeedPanel, "77");
        boxes.clear();
        ok(form);
        std::string what = std::to_string(c.settingsFails) + std::to_string(c.skinFails);
        ASSERT_EQ(boxes.size(), c.settingsFails || c.skinFails ? 1u : 0u) << what;
        if (!boxes.empty()) {
            EXPECT_EQ(boxes[0].find(settings()) != std::string::npos, c.settingsFails) << what;
            EXPECT_EQ(boxes[0].find(design) != std::string::npos, c.skinFails) << what;
        }
        if (!c.skinFails) {
            EXPECT_NE(ReadAll(design).find("Option=Scroll=77"), std::string::npos) << what;
        }
        news.reset();
    }
}
