#include "engine/inet/Browser.h"
#include "platform/shell/Shell.h"

#include "tests/support/EventPump.h"
#include "tests/support/RecordingBrowser.h"

#include <gtest/gtest.h>

using Args = std::vector<std::string>;

TEST(BrowserCommand, TheUrlTakesThePlaceholdersPlaceAsOneArgument) {
    struct Case {
        const char* exec;
        Args want;
    } cases[] = {
        {"firefox %u", {"firefox", "URL"}},
        {"/usr/bin/browser --new-window %U --other", {"/usr/bin/browser", "--new-window", "URL"}},
        {"\"/opt/My Browser/run\" %F", {"/opt/My Browser/run", "URL"}},
        {"browser --url=%u", {"browser", "--url=", "URL"}},
        {"browser", {"browser", "URL"}},
        {"browser %i %c --name=%k 100%% %u", {"browser", "--name=", "100%", "URL"}},
        {"\"a \\\"quoted\\\" \\\\ name\" %u", {"a \"quoted\" \\ name", "URL"}},
        {"", {}},
        {"%u", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BrowserCommand(c.exec, "URL"), c.want) << c.exec;
}

TEST(BrowserLaunch, AHostileLinkReachesTheBrowserWholeAndRunsNothing) {
    testsupport::RecordingBrowser browser;
    std::string marker = testing::TempDir() + "browser-test-ran";
    std::filesystem::remove(marker);
    for (std::string url :
         {std::string("http://a.example/x y?q=\"quoted\"&b='single'"),
          "http://a.example/;touch " + marker, "http://a.example/$(touch " + marker + ")",
          "http://a.example/`touch " + marker + "`|cat"}) {
        browser.forget();
        ASSERT_TRUE(RunBrowser(url, 5));
        ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
        EXPECT_EQ(browser.arguments(), "--new-window\n" + url + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(BrowserLaunch, WithoutABrowserTheDesktopsHandlerOpensTheLink) {
    testsupport::RecordingBrowser browser("");
    EXPECT_FALSE(RunBrowser("http://a.example/", 5));
    OpenInBrowser("http://a.example/");
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.opened(); }));
    EXPECT_EQ(browser.openedTarget(), "http://a.example/\n");
}

TEST(BrowserUrl, OnlyOneWebUrlCounts) {
    struct Case {
        const char* text;
        const char* want;
    } cases[] = {
        {"http://a.example/x", "http://a.example/x"},
        {"  HTTPS://a.example/\r\n", "HTTPS://a.example/"},
        {"http://a.example/ http://b.example/", ""},
        {"see http://a.example/", ""},
        {"ftp://a.example/", ""},
        {"javascript:alert(1)", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SingleWebUrl(c.text), c.want) << c.text;
    // The test program is no GUI application: there is no clipboard to read.
    EXPECT_EQ(GetBrowserURL(0), "");
}
