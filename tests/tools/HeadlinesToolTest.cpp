#include "tools/headlines/HeadlinesTool.h"

#include "platform/text/Cp932.h"

#include "tests/support/HttpServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result run(std::vector<std::string> args) {
    std::ostringstream out, err;
    HeadlinesTool tool(out, err);
    int status = tool.Run(args);
    return {status, out.str(), err.str()};
}

// "<p>ニュース</p>" in Shift_JIS with a blank item between two tags.
std::string usageError(const std::string& reason) {
    return "headlines: " + reason + "\nTry 'headlines --help' for more information.\n";
}

const std::string kPage =
    "<meta charset=shift_jis><p>\x83\x6A\x83\x85\x81\x5B\x83\x58</p>\x81\x40<br>";

} // namespace

TEST(HeadlinesTool, ItemsArePrintedOnePerLineInUtf8OrAsStored) {
    testsupport::TempDir dir;
    std::string page = dir.write("page.html", kPage);
    Result r = run({"--items", page});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "<meta "
                     "charset=shift_jis>\n<p>\n\xE3\x83\x8B\xE3\x83\xA5\xE3\x83\xBC\xE3\x82\xB9\n</"
                     "p>\n\n<br>\n");
    EXPECT_EQ(r.err, "");

    r = run({"--sjis", "--items", page});
    EXPECT_EQ(r.out,
              "<meta charset=shift_jis>\n<p>\n\x83\x6A\x83\x85\x81\x5B\x83\x58\n</p>\n\n<br>\n");
}

TEST(HeadlinesTool, CodeIsPrintedAsANumber) {
    testsupport::TempDir dir;
    EXPECT_EQ(run({"--code", dir.write("s.html", kPage)}).out, "1\n");
    EXPECT_EQ(run({"--code", dir.write("e.html", "<p>\xA4\xA2")}).out, "2\n");
    EXPECT_EQ(run({"--code", dir.write("j.html", "\x1B$B$\"\x1B(B")}).out, "3\n");
    EXPECT_EQ(run({"--code", dir.write("u.html", "\xEF\xBB\xBFx")}).out, "4\n");
}

TEST(HeadlinesTool, UnreadableFilesFailWithOneLineNamingThem) {
    testsupport::TempDir dir;
    std::string missing = dir.file("missing.html");
    for (const char* mode : {"--items", "--code"}) {
        Result r = run({mode, missing});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "headlines: cannot read " + missing + ": No such file or directory\n");
    }
    Result r = run({"--items", dir.path().string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Is a directory"), std::string::npos);
}

TEST(HeadlinesTool, BadArgumentsAreNamedAndHelpAndVersionSucceed) {
    for (auto [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{}, "missing URL or FILE"},
             {{"--items"}, "missing URL or FILE"},
             {{"--bogus", "x"}, "unrecognized option '--bogus'"},
             {{"-q", "x"}, "invalid option -- 'q'"},
             {{"--help=x"}, "option '--help' doesn't allow an argument"},
             {{"--items", "a", "--code", "b"}, "--items and --code cannot be combined"},
             {{"--items", "a", "b"}, "extra operand 'b'"}}) {
        Result r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, usageError(reason));
    }
    Result r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, HeadlinesTool::Usage());
    for (const char* version : {"--version", "--vers"}) {
        r = run({"x", version, "--bogus"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.starts_with("headlines ") && r.out.ends_with("\n")) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

TEST(HeadlinesTool, OtherSchemesAreUnsupportedAndABareHostIsToldOfHttp) {
    for (std::string url : {"ftp://example.com/", "file:///etc/hostname", "Gopher://x"}) {
        for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
                 {url}, {"--items", url}, {"--base", "http://x/", url}}) {
            Result r = run(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, "headlines: " + url + ": unsupported URL scheme\n");
        }
    }
    EXPECT_EQ(run({"--code", "http://example.com/"}).err,
              usageError("--items and --code read a FILE or -, not a URL"));
    for (std::string host : {"example.com", "www.example.co.jp/news/"}) {
        Result r = run({host});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "headlines: cannot read " + host +
                             ": No such file or directory (a web page? add \"http://\": http://" +
                             host + ")\n");
    }
}

// The program itself, for what needs real standard streams.
TEST(HeadlinesProgram, ReadsStandardInputAndFailsOnAFullOutputOrAnEndlessFile) {
    testsupport::TempDir dir;
    std::string page = dir.write("page.html", kPage);
    auto shell = [](const std::string& command) {
        Result r{-1, "", ""};
        std::string line = std::string(HEADLINES_PATH) + " 2>&1 " + command;
        FILE* pipe = ::popen(line.c_str(), "r");
        if (!pipe) return r;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            r.out.append(buffer, n);
        int status = ::pclose(pipe);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    };
    Result r = shell("--code - <" + page);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\n");
    r = shell("--sjis --items - <" + page);
    EXPECT_EQ(r.out,
              "<meta charset=shift_jis>\n<p>\n\x83\x6A\x83\x85\x81\x5B\x83\x58\n</p>\n\n<br>\n");

    for (std::string command :
         {"--items " + page, std::string("--help"), std::string("--version")}) {
        r = shell(command + " >/dev/full");
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.out, "headlines: write error: No space left on device\n");
    }
    for (std::string command : {"/dev/zero", "--items - </dev/zero"}) {
        r = shell(command);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.ends_with(": page too large\n")) << r.out;
    }
}

TEST(HeadlinesTool, HeadlinesArePrintedAsTitleTabLinkWithQueuedPagesOnStderr) {
    testsupport::TempDir dir;
    // "<a href=sub/a.html>見出し</a> (12/25)<br>" and a frame, in Shift_JIS.
    std::string page = dir.write("front.html", "<meta charset=shift_jis><body><a href=sub/a.html>"
                                               "\x8C\xA9\x8F\x6F\x82\xB5</a> (12/25)<br>"
                                               "<frame src=\"menu.html\"><frame src=\"main.html\">"
                                               "\x93\xF1 (1/2)<br>");
    Result r = run({"--base", "http://news.example.jp/top/index.html", page});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\xE8\xA6\x8B\xE5\x87\xBA\xE3\x81\x97(12/25)\thttp://news.example.jp/top/sub/a.html\n"
              "\xE4\xBA\x8C (1/2)\thttp://news.example.jp/top/index.html\n");
    EXPECT_EQ(r.err, "pending\thttp://news.example.jp/top/menu.html\npending\thttp://"
                     "news.example.jp/top/main.html\n");

    r = run({page, "--sjis"});
    std::string fileUrl = "file://" + std::filesystem::weakly_canonical(page).string();
    EXPECT_EQ(r.out, "\x8C\xA9\x8F\x6F\x82\xB5(12/25)\t" + fileUrl + "\n\x93\xF1 (1/2)\t" +
                         fileUrl + "\n");
}

TEST(HeadlinesTool, BaseBelongsToTheHeadlineFormOnly) {
    for (auto [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--base", "http://x/", "--items", "a"}, "--base goes with a FILE only"},
             {{"--base"}, "option '--base' requires an argument"},
             {{"--base", "", "a"}, "--base needs a URL"},
             {{"a", "--base"}, "option '--base' requires an argument"}}) {
        Result r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, usageError(reason));
    }
    Result r = run({"--base", "http://x/", "/no/such/page.html"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "headlines: cannot read /no/such/page.html: No such file or directory\n");
}

TEST(HeadlinesTool, UrlsAreFetchedWithTheirFramesAndPrintedLikeFiles) {
    testsupport::TempDir dir;
    setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
    testsupport::HttpServer server;
    server.Route("/top", {200, "<frameset><frame src=\"main.html\"></frameset>"});
    server.Route("/main.html",
                 {200, "<meta charset=shift_jis><body><a href=a.html>\x8C\xA9\x8F\x6F\x82\xB5</a>"
                       " (12/25)<br>"});
    Result r = run({server.Url("/top")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\xE8\xA6\x8B\xE5\x87\xBA\xE3\x81\x97(12/25)\t" + server.Url("/a.html") + "\n");
    EXPECT_EQ(r.err, "");

    r = run({"--header", "--sjis", server.Url("/top")});
    EXPECT_EQ(r.status, 0);
    size_t firstLine = r.out.find('\n');
    ASSERT_NE(firstLine, std::string::npos);
    EXPECT_TRUE(r.out.substr(0, firstLine).ends_with(" - 127.0.0.1 - \t" + server.Url("/top")))
        << r.out;
    EXPECT_EQ(r.out.substr(firstLine + 1),
              "\x8C\xA9\x8F\x6F\x82\xB5(12/25)\t" + server.Url("/a.html") + "\n");
}

TEST(HeadlinesTool, AFailedDownloadIsOneLineNamingTheUrlAndTheReason) {
    testsupport::TempDir dir;
    setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
    testsupport::HttpServer server;
    Result r = run({server.Url("/missing")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "headlines: " + server.Url("/missing") + ": HTTP status 404\n");

    std::string refused =
        "http://127.0.0.1:" + std::to_string(testsupport::HttpServer::ClosedPort()) + "/";
    r = run({refused});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "headlines: " + refused + ": connection refused\n");

    EXPECT_EQ(run({"--header", "page.html"}).status, 2) << "--header belongs to the URL form";
    EXPECT_EQ(run({"--base", "http://x/", server.Url("/x")}).status, 2)
        << "--base belongs to the file form";
}

TEST(HeadlinesTool, OptionsGoInAnyOrderBeforeADoubleDash) {
    testsupport::TempDir dir;
    std::string page = dir.write("page.html", kPage);
    const std::string items =
        "<meta charset=shift_jis>\n<p>\n\x83\x6A\x83\x85\x81\x5B\x83\x58\n</p>\n\n<br>\n";
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{"--sjis", "--items", page},
                                               {"--items", "--sjis", page},
                                               {page, "--items", "--sjis"},
                                               {"--items", page, "--sjis"},
                                               {"--sjis", "--items", "--", page}}) {
        Result r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, items);
    }
    EXPECT_EQ(run({"--code", "--sjis", page}).out, "1\n");
    EXPECT_EQ(run({page, "--base=http://x/a/b.html"}).status, 0);

    Result r = run({"--items", "--", "--sjis"});
    EXPECT_EQ(r.status, 1) << "after -- a name is a name";
    EXPECT_EQ(r.err, "headlines: cannot read --sjis: No such file or directory\n");
}

TEST(HeadlinesTool, UrlsWithSpacesAreFetched) {
    testsupport::TempDir dir;
    setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
    testsupport::HttpServer server;
    server.Route("/c%20d.html", {200, "<body>\x93\xF1 (1/2)<br>"});
    Result r = run({server.Url("/c d.html")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xE4\xBA\x8C (1/2)\t" + server.Url("/c d.html") + "\n");
}

TEST(HeadlinesTool, ExactReadsFilesAndUrlsByTheOriginalRules) {
    testsupport::TempDir dir;
    setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
    const std::string page = platform::Utf8ToSjis(
        "<meta charset=shift_jis><body>"
        "<p><a href=\"/n/1.htm\">新駅の開業日が決定</a>（4月12日）</p>"
        "<p><a href=\"/n/2.htm\">遠隔調査</a>（4/18 01:28）<a href=\"/topic/7/\">原発</a></p>");
    std::string file = dir.write("front.html", page);
    testsupport::HttpServer server;
    server.Route("/front", {200, page});
    const std::string base = "http://news.example.jp/top/index.html";
    const std::string extended = "新駅の開業日が決定（4月12日）\thttp://news.example.jp/n/1.htm\n"
                                 "遠隔調査（4/18 01:28）\thttp://news.example.jp/n/2.htm\n";
    const std::string exact = "遠隔調査（4/18 01:28）原発\thttp://news.example.jp/topic/7/\n";
    Result r = run({"--base", base, file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, extended);
    r = run({"--exact", "--base", base, file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, exact);

    auto fromServer = [&](std::string text) {
        const std::string host = "http://news.example.jp/";
        for (size_t at; (at = text.find(host)) != std::string::npos;)
            text.replace(at, host.size(), server.Url("/"));
        return text;
    };
    r = run({server.Url("/front")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, fromServer(extended));
    r = run({server.Url("/front"), "--exact"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, fromServer(exact));

    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--exact", "--items", file}, {"--code", "--exact", file}}) {
        r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, usageError("--exact does not go with --items or --code"));
    }
}

TEST(HeadlinesTool, AFeedFileGivesItsItemsUnlessExact) {
    testsupport::TempDir dir;
    std::string feed = dir.write("feed.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                             "<rss version=\"2.0\"><channel><item>"
                                             "<title>\xE8\xA6\x8B\xE5\x87\xBA\xE3\x81\x97</title>"
                                             "<link>a.htm</link></item></channel></rss>");
    Result r = run({"--base", "http://news.example.jp/rss/feed.xml", feed});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\xE8\xA6\x8B\xE5\x87\xBA\xE3\x81\x97\thttp://news.example.jp/rss/a.htm\n");
    r = run({"--exact", "--base", "http://news.example.jp/rss/feed.xml", feed});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}
