#include "engine/inet/DownloadPool.h"
#include "engine/inet/TDownloadThread.h"
#include "engine/inet/TWinInet.h"
#include "platform/errors/LastError.h"
#include "platform/inet/Internet.h"
#include "platform/process/Process.h"

#include "tests/support/EventPump.h"
#include "tests/support/HttpServer.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <netdb.h>
#include <system_error>

using testsupport::HttpResponse;
using testsupport::PumpUntil;
using Events = std::vector<std::pair<int, int32_t>>;

namespace {

// A name server that is slow for one name: it answers only when a test says
// so (or after ten seconds). Every other name goes to the system's.
constexpr char kSlowName[] = "slow-lookup.invalid";
std::mutex lookupMutex;
std::condition_variable lookupAnswer;
bool lookupAnswered = false;
std::atomic<int> slowLookups{0};

void answerSlowLookups() {
    {
        std::lock_guard lock(lookupMutex);
        lookupAnswered = true;
    }
    lookupAnswer.notify_all();
}

} // namespace

// Defined in the test program, this one serves libcurl's lookups too.
extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
    if (node && std::strcmp(node, kSlowName) == 0) {
        ++slowLookups;
        std::unique_lock lock(lookupMutex);
        lookupAnswer.wait_for(lock, std::chrono::seconds(10), [] { return lookupAnswered; });
        return EAI_NONAME;
    }
    using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static auto next = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return next(node, service, hints, result);
}

namespace {

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        // Agent names are reserved per user; keep these tests to themselves.
        setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1);
        // Stalls short enough to test, long enough for a loaded machine.
        platform::SetInternetTimeouts({2000, 3000});
    }
    void TearDown() override { platform::SetInternetTimeouts({}); }

    // Downloads url into a file of the temporary folder, recording events.
    bool download(const std::string& url, const std::string& file, TWinInet& inet, Events& events) {
        inet.OnEvent = [&](TWinInet*, uint8_t kind, int32_t value) {
            events.emplace_back(kind, value);
        };
        return inet.Download(url, file);
    }

    testsupport::TempDir dir;
    testsupport::HttpServer server;
};

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

} // namespace

TEST_F(Download, FetchesAPageIntoANewFolderReportingEveryBlock) {
    std::string body(10000, 'x');
    server.Route("/page", {200, body});
    std::string file = dir.file("a/b/page.html");
    TWinInet inet;
    Events events;
    ASSERT_TRUE(download(server.Url("/page"), file, inet, events));
    EXPECT_EQ(testsupport::ReadAll(file), body);
    EXPECT_EQ(inet.LastError, 0u);
    EXPECT_EQ(events,
              (Events{{1, 0}, {2, 0}, {2, 4096}, {2, 8192}, {2, 10000}, {3, 10000}, {4, 10000}}));
    EXPECT_FALSE(inet.Internet) << "the session closes after the transfer";
}

TEST_F(Download, AnEmptyBodySucceedsWithErrorNoMoreFiles) {
    server.Route("/empty", {200, ""});
    TWinInet inet;
    Events events;
    ASSERT_TRUE(download(server.Url("/empty"), dir.file("empty.html"), inet, events));
    EXPECT_EQ(inet.LastError, platform::ErrorNoMoreFiles);
    EXPECT_EQ(events.back(), (std::pair<int, int32_t>{4, 0}));
    EXPECT_TRUE(exists(dir.file("empty.html")));
}

TEST_F(Download, HttpErrorsRefusedPortsAndBadUrlsFailWithoutAFile) {
    struct Case {
        std::string url;
        uint32_t error;
    } cases[] = {
        {server.Url("/missing"), platform::HttpStatusError(404)},
        {"http://127.0.0.1:" + std::to_string(testsupport::HttpServer::ClosedPort()) + "/",
         platform::ErrorInternetCannotConnect},
        {"ftp://127.0.0.1/x", platform::ErrorInternetUnrecognizedScheme},
        {"not a url", platform::ErrorInternetUnrecognizedScheme},
    };
    for (const Case& c : cases) {
        std::string file = dir.file("failed.html");
        TWinInet inet;
        Events events;
        EXPECT_FALSE(download(c.url, file, inet, events)) << c.url;
        EXPECT_EQ(inet.LastError, c.error)
            << c.url << ": " << platform::DescribeError(inet.LastError);
        EXPECT_EQ(events, (Events{{1, 0}, {5, 0}})) << c.url;
        EXPECT_FALSE(exists(file)) << c.url;
    }
}

TEST_F(Download, AServerThatStallsMidBodyFailsWithinTheStallLimit) {
    HttpResponse stalled{200, std::string(10000, 'x')};
    stalled.stallAfter = 5000;
    server.Route("/stall", stalled);
    std::string file = dir.file("stall.html");
    TWinInet inet;
    Events events;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(download(server.Url("/stall"), file, inet, events));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(inet.LastError, platform::ErrorInternetTimeout);
    EXPECT_EQ(events.back(), (std::pair<int, int32_t>{5, 5000}));
    EXPECT_FALSE(exists(file));
}

TEST_F(Download, RedirectsAreFollowedAndCompressedBodiesDecoded) {
    static const char gz[] =
        "\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\xB3\x49\xCA\x4F\xA9\xB4\x4B\xAF\x52\xD0\x30"
        "\xD4\x37\xD4\xB4\x49\x2A\xB2\x03\x00\xF9\x83\x01\x01\x12\x00\x00\x00";
    server.Route("/gz", {200, std::string(gz, sizeof gz - 1), {{"Content-Encoding", "gzip"}}});
    server.Route("/old", {302, "", {{"Location", "/gz"}}});
    TWinInet inet;
    Events events;
    ASSERT_TRUE(download(server.Url("/old"), dir.file("gz.html"), inet, events));
    EXPECT_EQ(testsupport::ReadAll(dir.file("gz.html")), "<body>gz (1/1)<br>");
    EXPECT_FALSE(server.Requests().back().acceptEncoding.empty());
}

TEST_F(Download, EveryContentEncodingOnOfferIsDecoded) {
    std::string body = "<body>" + std::string(5000, 'x') + " (1/1)<br>";
    std::string gzip = testsupport::Gzip(body);
    struct Case {
        std::string path, encoding, sent;
    } cases[] = {
        {"/gzip", "gzip", gzip},
        {"/x-gzip", "x-gzip", gzip},
        {"/GZIP", "GZIP", gzip},
        {"/deflate", "deflate", testsupport::Deflate(body, 15)},
        {"/raw-deflate", "deflate", testsupport::Deflate(body, -15)},
        {"/identity", "identity", body},
        {"/plain", "", body},
    };
    for (const Case& c : cases) {
        HttpResponse response{200, c.sent};
        if (!c.encoding.empty()) response.headers = {{"Content-Encoding", c.encoding}};
        server.Route(c.path, response);
        std::string file = dir.file("encoded.html");
        TWinInet inet;
        Events events;
        EXPECT_TRUE(download(server.Url(c.path), file, inet, events))
            << c.path << ": " << platform::DescribeError(inet.LastError);
        EXPECT_EQ(testsupport::ReadAll(file), body) << c.path;
        EXPECT_EQ(events.back(), (std::pair<int, int32_t>{4, int32_t(body.size())})) << c.path;
    }
    EXPECT_NE(server.Requests().back().acceptEncoding.find("gzip"), std::string::npos);
}

TEST_F(Download, ARawDeflateBodyKeepsTheBytesDecodedPastTheLastReadBlock) {
    // Its last match runs past the reader's first block after the final
    // bits were taken in: the rest is left only in the decoder's window.
    std::string body;
    for (int i = 0; i < 3829; ++i)
        body += static_cast<char>('a' + i * 7 % 26);
    body += std::string(270, 'q');
    ASSERT_GT(body.size(), TWinInet::kBlockSize);
    server.Route("/raw", {200, testsupport::Deflate(body, -15), {{"Content-Encoding", "deflate"}}});
    std::string file = dir.file("raw.html");
    TWinInet inet;
    Events events;
    ASSERT_TRUE(download(server.Url("/raw"), file, inet, events))
        << platform::DescribeError(inet.LastError);
    std::string got = testsupport::ReadAll(file);
    EXPECT_EQ(got.size(), body.size());
    EXPECT_TRUE(got == body);
}

TEST_F(Download, ABrokenOrUnknownEncodingFailsWithoutAFile) {
    std::string letters;
    for (unsigned n = 1; letters.size() < 20000; n = n * 1103515245 + 12345)
        letters += static_cast<char>('a' + (n >> 16) % 26);
    std::string gzip = testsupport::Gzip(letters);
    std::string cut = gzip.substr(0, 20) + std::string(200, '\x55') + gzip.substr(220);
    struct Case {
        std::string path, encoding, sent;
    } cases[] = {
        {"/corrupt", "gzip", cut},
        {"/not-gzip", "gzip", "<html>plain text said to be gzip</html>"},
        {"/unknown", "compress", "whatever"},
    };
    for (const Case& c : cases) {
        server.Route(c.path, {200, c.sent, {{"Content-Encoding", c.encoding}}});
        std::string file = dir.file("broken.html");
        TWinInet inet;
        Events events;
        EXPECT_FALSE(download(server.Url(c.path), file, inet, events)) << c.path;
        EXPECT_EQ(inet.LastError, platform::ErrorHttpInvalidServerResponse)
            << c.path << ": " << platform::DescribeError(inet.LastError);
        EXPECT_EQ(events.back().first, 5) << c.path;
        EXPECT_FALSE(exists(file)) << c.path;
    }
}

TEST_F(Download, ACompressedPageIsInflatedAsItIsReadInLittleMemory) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the race detector's own memory swamps the figure";
#endif
    // 30 MB of blanks in 30 kB: a page that a server may send, or a bomb.
    std::string page = testsupport::Gzip(std::string(30 * 1024 * 1024, ' '));
    page.shrink_to_fit();
    server.Route("/blanks", {200, page, {{"Content-Encoding", "gzip"}}});
    std::string file = dir.file("blanks.html");
    TWinInet inet;
    Events events;
    long before = testsupport::PeakMemoryKb(true);
    ASSERT_TRUE(download(server.Url("/blanks"), file, inet, events))
        << platform::DescribeError(inet.LastError);
    EXPECT_LT(testsupport::PeakMemoryKb(false) - before, 8 * 1024);
    EXPECT_EQ(std::filesystem::file_size(file), 30u * 1024 * 1024);
}

TEST_F(Download, PagesOverTheSizeLimitFail) {
    HttpResponse huge{200, std::string(TWinInet::kMaxPageBytes + 4096, 'x')};
    server.Route("/huge", huge);
    std::string file = dir.file("huge.html");
    TWinInet inet;
    Events events;
    EXPECT_FALSE(download(server.Url("/huge"), file, inet, events));
    EXPECT_EQ(inet.LastError, platform::ErrorFileTooLarge);
    EXPECT_EQ(events.back().first, 5);
    EXPECT_FALSE(exists(file));
}

TEST_F(Download, StartRefusesAnEmptyUrlOrFile) {
    TDownloadThread thread;
    EXPECT_FALSE(thread.Start("", dir.file("x.html"), false));
    EXPECT_EQ(thread.State, 5);
    TDownloadThread other;
    EXPECT_FALSE(other.Start(server.Url("/page"), "", true));
    EXPECT_EQ(other.State, 5);
    EXPECT_FALSE(other.Running);
}

TEST_F(Download, StartWithWaitRunsEventsUntilTheTransferEnds) {
    server.Route("/page", {200, "hello"});
    TDownloadThread thread;
    EXPECT_TRUE(thread.Start(server.Url("/page"), dir.file("w.html"), true));
    EXPECT_EQ(thread.State, 4);
    EXPECT_EQ(testsupport::ReadAll(dir.file("w.html")), "hello");
}

TEST_F(Download, DestroyingTheThreadAbortsTheTransferAndDeletesThePartialFile) {
    HttpResponse stalled{200, std::string(100000, 'x')};
    stalled.stallAfter = 20000;
    server.Route("/slow", stalled);
    platform::SetInternetTimeouts({2000, 30000});
    std::string file = dir.file("partial.html");
    std::mutex mutex;
    Events events;
    auto thread = std::make_unique<TDownloadThread>();
    thread->OnProgress = [&](TDownloadThread*, uint8_t kind, int32_t value) {
        std::lock_guard lock(mutex);
        events.emplace_back(kind, value);
    };
    ASSERT_TRUE(thread->Start(server.Url("/slow"), file, false));
    ASSERT_TRUE(PumpUntil([&] {
        std::lock_guard lock(mutex);
        return !events.empty() && events.back().second >= 20000;
    }));
    EXPECT_TRUE(exists(file));
    auto start = std::chrono::steady_clock::now();
    thread.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(exists(file));
    std::lock_guard lock(mutex);
    EXPECT_EQ(events.back(), (std::pair<int, int32_t>{5, 20000}));
}

TEST_F(Download, DestroyingTheThreadDoesNotWaitForASlowNameLookup) {
    {
        std::lock_guard lock(lookupMutex);
        lookupAnswered = false;
    }
    slowLookups = 0;
    std::string file = dir.file("lookup.html");
    auto thread = std::make_unique<TDownloadThread>();
    ASSERT_TRUE(thread->Start(std::string("http://") + kSlowName + "/", file, false));
    ASSERT_TRUE(PumpUntil([] { return slowLookups > 0; }));
    auto start = std::chrono::steady_clock::now();
    thread.reset();
    auto took = std::chrono::steady_clock::now() - start;
    answerSlowLookups();
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_FALSE(exists(file));
}

TEST_F(Download, ConcurrentTransfersGetNumberedAgentNames) {
    HttpResponse slow{200, "page"};
    slow.delayMs = 300;
    server.Route("/slow", slow);
    std::string base = platform::ExecutableBaseName();
    {
        TDownloadThread first, second;
        ASSERT_TRUE(first.Start(server.Url("/slow"), dir.file("1.html"), false));
        ASSERT_TRUE(PumpUntil([&] { return server.Requests().size() == 1; }));
        ASSERT_TRUE(second.Start(server.Url("/slow"), dir.file("2.html"), false));
        ASSERT_TRUE(PumpUntil([&] { return !first.Running && !second.Running; }));
        EXPECT_EQ(first.State, 4);
        EXPECT_EQ(second.State, 4);
    }
    TDownloadThread third;
    ASSERT_TRUE(third.Start(server.Url("/slow"), dir.file("3.html"), true));
    std::vector<std::string> agents;
    for (const auto& request : server.Requests())
        agents.push_back(request.userAgent);
    EXPECT_EQ(agents, (std::vector<std::string>{base + "0", base + "1", base + "0"}));
}

TEST_F(Download, ATrickleBelowTheLowSpeedLimitFailsThoughBytesKeepComing) {
    // One byte every 100 ms never trips the stall limit, but stays far below
    // the 64 bytes a second the transfer asks for.
    HttpResponse trickle{200, std::string(60, 'x')};
    trickle.trickleMs = 100;
    server.Route("/trickle", trickle);
    platform::InternetTimeouts timeouts;
    timeouts.connectMs = 2000;
    timeouts.stallMs = 2000;
    timeouts.lowSpeedMs = 1000;
    platform::SetInternetTimeouts(timeouts);
    std::string file = dir.file("trickle.html");
    TWinInet inet;
    Events events;
    EXPECT_FALSE(download(server.Url("/trickle"), file, inet, events));
    EXPECT_EQ(inet.LastError, platform::ErrorInternetTimeout)
        << platform::DescribeError(inet.LastError);
    EXPECT_EQ(events.back().first, 5);
    EXPECT_FALSE(exists(file));
}

TEST_F(Download, ATransferFailsOnceItHasRunForTheTotalLimit) {
    // 4000 bytes a second: brisk enough for the low-speed limit, but five
    // seconds in all.
    HttpResponse steady{200, std::string(20000, 'x')};
    steady.trickleMs = 50;
    steady.trickleBytes = 200;
    server.Route("/steady", steady);
    platform::InternetTimeouts timeouts;
    timeouts.connectMs = 2000;
    timeouts.stallMs = 2000;
    timeouts.lowSpeedMs = 1000;
    timeouts.totalMs = 1500;
    platform::SetInternetTimeouts(timeouts);
    std::string file = dir.file("steady.html");
    TWinInet inet;
    Events events;
    EXPECT_FALSE(download(server.Url("/steady"), file, inet, events));
    EXPECT_EQ(inet.LastError, platform::ErrorInternetTimeout)
        << platform::DescribeError(inet.LastError);
    EXPECT_EQ(events.back().first, 5);
    EXPECT_FALSE(exists(file));
}

TEST_F(Download, SpacesAndShiftJisBytesInThePathAreEscapedOnTheWire) {
    server.Route("/c%20d.html", {200, "space"});
    server.Route("/a%20b.html", {200, "escaped"});
    server.Route("/%93%FA%96{/x.html?q=%83A%20z", {200, "sjis"});
    struct Case {
        std::string url, body;
    } cases[] = {
        {server.Url("/c d.html"), "space"},
        {server.Url("/a%20b.html"), "escaped"},
        {server.Url("/\x93\xFA\x96\x7B/x.html?q=\x83\x41 z"), "sjis"},
    };
    for (const Case& c : cases) {
        TWinInet inet;
        Events events;
        std::string file = dir.file("escaped.html");
        EXPECT_TRUE(download(c.url, file, inet, events))
            << c.url << ": " << platform::DescribeError(inet.LastError);
        EXPECT_EQ(testsupport::ReadAll(file), c.body) << c.url;
    }
}

TEST_F(Download, RedirectsToOtherSchemesAndEndlessRedirectsFail) {
    std::string local = dir.write("secret.html", "<body>local (1/1)<br>");
    uint16_t closed = testsupport::HttpServer::ClosedPort();
    server.Route("/to-ftp",
                 testsupport::Redirect("ftp://127.0.0.1:" + std::to_string(closed) + "/x"));
    server.Route("/to-file", testsupport::Redirect("file://" + local));
    server.Route("/loop", testsupport::Redirect("/loop"));
    struct Case {
        std::string path;
        uint32_t error;
    } cases[] = {
        {"/to-ftp", platform::ErrorInternetUnrecognizedScheme},
        {"/to-file", platform::ErrorInternetUnrecognizedScheme},
        {"/loop", platform::ErrorHttpRedirectFailed},
    };
    for (const Case& c : cases) {
        std::string file = dir.file("redirected.html");
        TWinInet inet;
        Events events;
        EXPECT_FALSE(download(server.Url(c.path), file, inet, events)) << c.path;
        EXPECT_EQ(inet.LastError, c.error)
            << c.path << ": " << platform::DescribeError(inet.LastError);
        EXPECT_FALSE(exists(file)) << c.path;
    }
}

TEST_F(Download, AFollowedRedirectReportsTheUrlThatAnswered) {
    server.Route("/", testsupport::Redirect("/news/index.html", 301));
    server.Route("/news/index.html", {200, "page"});
    TDownloadThread thread;
    ASSERT_TRUE(thread.Start(server.Url("/"), dir.file("r.html"), true));
    EXPECT_EQ(thread.URL, server.Url("/"));
    EXPECT_EQ(thread.EffectiveURL(), server.Url("/news/index.html"));
}

TEST_F(Download, AGzipBodyOverThePageLimitOnceInflatedFails) {
#if defined(__SANITIZE_THREAD__)
    // One thread and 32 MB of inflating: minutes under the race detector.
    GTEST_SKIP() << "no threads to check, and too slow under ThreadSanitizer";
#endif
    std::string bomb = testsupport::Gzip(std::string(TWinInet::kMaxPageBytes + 4096, ' '));
    server.Route("/bomb", {200, bomb, {{"Content-Encoding", "gzip"}}});
    std::string file = dir.file("bomb.html");
    TWinInet inet;
    Events events;
    EXPECT_FALSE(download(server.Url("/bomb"), file, inet, events));
    EXPECT_EQ(inet.LastError, platform::ErrorFileTooLarge)
        << platform::DescribeError(inet.LastError);
    EXPECT_FALSE(exists(file));
}

TEST_F(Download, BrokenRepliesAndUnwritableNamesSayWhatHappened) {
    HttpResponse old{200, "<html>no status line, no headers</html>\r\n"};
    old.raw = true;
    server.Route("/http09", old);
    HttpResponse bloated{200, "HTTP/1.1 200 OK\r\nX-Filler: " + std::string(400 * 1024, 'h') +
                                  "\r\nContent-Length: 2\r\n\r\nok"};
    bloated.raw = true;
    server.Route("/bloated", bloated);
    server.Route("/page", {200, "page"});
    struct Case {
        std::string path, file, text;
    } cases[] = {
        {"/http09", "a.html", "invalid server response"},
        {"/bloated", "b.html", "server response too large"},
        {"/page", std::string(300, 'n') + ".html", "file name too long"},
    };
    for (const Case& c : cases) {
        TWinInet inet;
        Events events;
        EXPECT_FALSE(download(server.Url(c.path), dir.file(c.file), inet, events)) << c.path;
        EXPECT_EQ(platform::DescribeError(inet.LastError), c.text) << c.path;
    }
}

TEST_F(Download, EmptyCompressedBlocksCountAgainstThePageAndLowSpeedLimits) {
    // Empty stored blocks inflate to nothing: a page of them would keep a
    // core busy until the total limit if only decoded bytes counted.
    const std::string header("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    const std::string block("\x00\x00\x00\xff\xff", 5);
    auto blocks = [&](size_t bytes) {
        std::string body = header;
        while (body.size() < bytes)
            body += block;
        return body;
    };
    HttpResponse flood{200, blocks(TWinInet::kMaxPageBytes + 4096), {{"Content-Encoding", "gzip"}}};
    server.Route("/flood", flood);
    // 4000 bytes a second on the wire, none decoded, for five seconds.
    HttpResponse trickle{200, blocks(20000), {{"Content-Encoding", "gzip"}}};
    trickle.trickleMs = 50;
    trickle.trickleBytes = 200;
    server.Route("/trickle", trickle);
    platform::InternetTimeouts timeouts;
    timeouts.connectMs = 2000;
    timeouts.stallMs = 2000;
    timeouts.lowSpeedMs = 1000;
    platform::SetInternetTimeouts(timeouts);
    struct Case {
        std::string path;
        uint32_t error;
    } cases[] = {
        {"/flood", platform::ErrorFileTooLarge},
        {"/trickle", platform::ErrorInternetTimeout},
    };
    for (const Case& c : cases) {
        std::string file = dir.file("blocks.html");
        TWinInet inet;
        Events events;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(download(server.Url(c.path), file, inet, events)) << c.path;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3500))
            << c.path;
        EXPECT_EQ(inet.LastError, c.error)
            << c.path << ": " << platform::DescribeError(inet.LastError);
        EXPECT_FALSE(exists(file)) << c.path;
    }
}

TEST_F(Download, ATransferThatGetsNoThreadFailsAndSaysWhy) {
    server.Route("/page", {200, "page"});
    DownloadPool::SetThreadMaker([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    TDownloadThread thread;
    bool started = thread.Start(server.Url("/page"), dir.file("none.html"), false);
    DownloadPool::SetThreadMaker(nullptr);
    EXPECT_FALSE(started);
    EXPECT_EQ(thread.State, 5);
    EXPECT_EQ(thread.LastError(), platform::ErrorNotEnoughMemory);
    EXPECT_FALSE(thread.Running);
}

TEST_F(Download, TransfersBeyondThePoolsLimitWaitTheirTurn) {
    HttpResponse slow{200, "page"};
    slow.delayMs = 200;
    server.Route("/slow", slow);
    std::vector<std::unique_ptr<TDownloadThread>> threads;
    for (int i = 0; i < DownloadPool::kDefaultLimit + 4; ++i) {
        threads.push_back(std::make_unique<TDownloadThread>());
        ASSERT_TRUE(threads.back()->Start(server.Url("/slow"), dir.file(std::to_string(i)), false));
    }
    ASSERT_TRUE(PumpUntil([&] { return server.Requests().size() >= 1; }));
    EXPECT_EQ(DownloadPool::Shared()->Workers(), DownloadPool::kDefaultLimit);
    ASSERT_TRUE(PumpUntil([&] {
        return std::none_of(threads.begin(), threads.end(),
                            [](auto& t) { return t->Running.load(); });
    }));
    for (const auto& thread : threads)
        EXPECT_EQ(thread->State, 4);
    // Those still waiting when aborted go without a request.
    size_t requests = server.Requests().size();
    threads.clear();
    for (int i = 0; i < 20; ++i) {
        threads.push_back(std::make_unique<TDownloadThread>());
        threads.back()->Start(server.Url("/slow"), dir.file(std::to_string(i)), false);
    }
    for (const auto& thread : threads)
        thread->Abort();
    threads.clear();
    EXPECT_LE(server.Requests().size(), requests + DownloadPool::kDefaultLimit);
}
