#include "engine/inet/Browser.h"
#include "engine/inet/TDesktopOpener.h"
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

TEST(DesktopOpener, LooksTheBrowserUpOffTheCallersThreadOnceUntilTheDesktopChanges) {
    testsupport::RecordingBrowser browser;
    // A slow look-up that counts its runs, first in PATH.
    testsupport::TempDir slow;
    std::string runs = slow.file("runs");
    slow.write("xdg-settings",
               "#!/bin/sh\necho run >> \"" + runs + "\"\nsleep 1\necho recording.desktop\n");
    std::filesystem::permissions(slow.file("xdg-settings"), std::filesystem::perms::owner_all);
    std::string path = getenv("PATH");
    setenv("PATH", (slow.path().string() + ":" + path).c_str(), 1);
    std::vector<std::string> failures;
    {
        TDesktopOpener opener([&](const std::string& why) { failures.push_back(why); });
        opener.OpenLink("http://a.example/1");
        EXPECT_FALSE(browser.started()) << "the caller waited for the look-up";
        ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
        browser.forget();
        opener.OpenLink("http://a.example/2");
        ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
        EXPECT_EQ(testsupport::ReadAll(runs), "run\n") << "looked up again with nothing changed";
        // A changed default (mimeapps.list) is looked up again.
        std::string config = slow.file("config");
        std::filesystem::create_directories(config);
        slow.write("config/mimeapps.list", "[Default Applications]\n");
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        browser.forget();
        opener.OpenLink("http://a.example/3");
        ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
        EXPECT_EQ(testsupport::ReadAll(runs), "run\nrun\n");
        unsetenv("XDG_CONFIG_HOME");
    }
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(failures.empty());
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
