#include "tools/demoserver/DemoServer.h"
#include "tools/demoserver/DemoSite.h"
#include "tools/headlines/HeadlinesTool.h"

#include "tests/demoserver/DemoClient.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The server on a thread of its own for one test.
class RunningServer {
public:
    explicit RunningServer(std::chrono::milliseconds deadline = 5000ms) {
        std::string error;
        if (!site_.Load(NEWS_SOURCE_DIR "/demo", error)) throw std::runtime_error(error);
        server_ = std::make_unique<DemoServer>(site_, deadline);
        if (!server_->Listen(0, error)) throw std::runtime_error(error);
        thread_ = std::thread([this] { server_->Run(); });
    }
    ~RunningServer() {
        server_->Stop();
        thread_.join();
    }
    uint16_t port() const { return server_->Port(); }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port()) + path;
    }

private:
    DemoSite site_;
    std::unique_ptr<DemoServer> server_;
    std::thread thread_;
};

struct Headlines {
    int status;
    std::vector<std::string> titles, links;
    std::string err;
};

// The site's headlines as the engine's own download and extraction find them.
Headlines fetchHeadlines(const std::string& url) {
    std::ostringstream out, err;
    Headlines h;
    h.status = HeadlinesTool(out, err).Run({url});
    h.err = err.str();
    std::istringstream lines(out.str());
    std::string line;
    while (std::getline(lines, line)) {
        size_t tab = line.find('\t');
        h.titles.push_back(line.substr(0, tab));
        h.links.push_back(tab == std::string::npos ? "" : line.substr(tab + 1));
    }
    return h;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int minuteOfDay(const std::tm& tm) {
    return tm.tm_hour * 60 + tm.tm_min;
}

std::tm localAt(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

// Checks every stamp of a title: dates are today or yesterday; times of
// today lie within the hour before now (to the minute).
void expectCurrentStamps(const std::string& title, std::time_t before, std::time_t after) {
    std::tm now = localAt(after), earlier = localAt(before), yesterday = localAt(after - 86400);
    static const std::regex stamp(
        R"((\d\d)/(\d\d)(?: (\d\d):(\d\d))?|(\d\d)\xE6\x99\x82(\d\d)\xE5\x88\x86|(\d\d):(\d\d))");
    int found = 0;
    for (auto it = std::sregex_iterator(title.begin(), title.end(), stamp);
         it != std::sregex_iterator(); ++it, ++found) {
        const std::smatch& m = *it;
        bool today = true;
        if (m[1].matched) {
            int month = std::stoi(m[1]), day = std::stoi(m[2]);
            today = month == now.tm_mon + 1 && day == now.tm_mday;
            bool wasYesterday = month == yesterday.tm_mon + 1 && day == yesterday.tm_mday;
            EXPECT_TRUE(today || wasYesterday) << title;
            if (!m[3].matched) continue;
        }
        if (!today) continue;
        int h = m[3].matched ? 3 : m[5].matched ? 5 : 7;
        int minute = std::stoi(m[h]) * 60 + std::stoi(m[h + 1]);
        int ago = (minuteOfDay(now) - minute + 1440) % 1440;
        int span = (minuteOfDay(now) - minuteOfDay(earlier) + 1440) % 1440;
        EXPECT_LE(ago, 60 + span) << title;
    }
    EXPECT_GT(found, 0) << title;
}

} // namespace

TEST(DemoServer, EverySiteGivesTheSampleHeadlinesStampedWithinTheLastHour) {
    RunningServer server;
    std::time_t before = std::time(nullptr);
    std::vector<Headlines> sites;
    for (const char* path : {"/sjis/", "/euc/", "/jis/", "/utf8/", "/frames/", "/moved/"}) {
        sites.push_back(fetchHeadlines(server.url(path)));
        EXPECT_EQ(sites.back().status, 0) << path << ": " << sites.back().err;
    }
    std::time_t after = std::time(nullptr);

    ASSERT_EQ(sites[0].titles.size(), 8u);
    for (const Headlines& site : sites)
        EXPECT_EQ(site.titles, sites[0].titles);
    for (const std::string& title : sites[0].titles)
        expectCurrentStamps(title, before, after);
    // Relative links resolve to the server, whatever page they came from.
    EXPECT_EQ(sites[0].links[0], server.url("/sjis/news/2026/1208/politics01.html"));
    EXPECT_EQ(sites[4].links[0], server.url("/frames/news/2026/1208/politics01.html"));
}

TEST(DemoServer, FrontPagesKeepTheirOwnCodeAndChangeOnlyStampDigits) {
    RunningServer server;
    for (const DemoSite::Front& front : DemoSite::Fronts()) {
        demotest::Reply r = demotest::Get(server.port(), front.path);
        EXPECT_NE(r.head.find("200 OK"), std::string::npos) << front.path;
        EXPECT_NE(r.head.find(std::string("charset=") + front.charset), std::string::npos);
        std::string file = readFile(std::string(NEWS_SOURCE_DIR "/demo/") + front.file);
        ASSERT_EQ(r.body.size(), file.size()) << front.path;
        for (size_t i = 0; i < file.size(); ++i) {
            if (r.body[i] == file[i]) continue;
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(r.body[i])) &&
                        std::isdigit(static_cast<unsigned char>(file[i])))
                << front.path << " differs at byte " << i;
        }
    }
}

TEST(DemoServer, MovedSiteRedirectsAndLinksLeadToArticles) {
    RunningServer server;
    demotest::Reply moved = demotest::Get(server.port(), "/moved/");
    EXPECT_EQ(moved.head.substr(0, moved.head.find("\r\n")), "HTTP/1.1 301 Moved Permanently");
    EXPECT_NE(moved.head.find("\r\nLocation: /utf8/"), std::string::npos);

    Headlines sjis = fetchHeadlines(server.url("/sjis/"));
    ASSERT_FALSE(sjis.links.empty());
    std::string path = sjis.links[0].substr(server.url("").size());
    demotest::Reply article = demotest::Get(server.port(), path);
    EXPECT_NE(article.head.find("200 OK"), std::string::npos);
    EXPECT_NE(article.body.find(path), std::string::npos);

    Headlines missing = fetchHeadlines(server.url("/nothing/here"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("404"), std::string::npos) << missing.err;
}

TEST(DemoServer, BadRequestsGetAnErrorStatusAndHeadGetsNoBody) {
    RunningServer server;
    struct Case {
        std::string request, status;
    } cases[] = {
        {"POST /sjis/ HTTP/1.1\r\n\r\n", "405"},
        {"GET sjis HTTP/1.1\r\n\r\n", "400"},
        {"\r\n\r\n", "400"},
        {"GET / HTTP/1.1\r\n" + std::string(20000, 'x') + "\r\n\r\n", "431"},
        {"GET /" + std::string(20000, 'x'), "431"},
    };
    for (const Case& c : cases) {
        demotest::Reply r = demotest::Exchange(server.port(), c.request);
        EXPECT_EQ(r.head.substr(9, 3), c.status) << c.request.substr(0, 40);
        EXPECT_TRUE(r.closed);
    }
    demotest::Reply head = demotest::Exchange(server.port(), "HEAD /utf8/ HTTP/1.1\r\n\r\n");
    EXPECT_NE(head.head.find("200 OK"), std::string::npos);
    EXPECT_EQ(head.body, "");
}

TEST(DemoServer, SilentClientsAreCutOffAndNeverHoldUpOthers) {
    RunningServer server(300ms);
    std::vector<std::unique_ptr<demotest::Client>> silent;
    for (size_t i = 0; i < DemoServer::kMaxConnections + 16; ++i)
        silent.push_back(std::make_unique<demotest::Client>(server.port()));
    silent.front()->send("GET /sjis/ HTTP/1.1\r\n");

    Headlines h = fetchHeadlines(server.url("/euc/"));
    EXPECT_EQ(h.status, 0) << h.err;
    EXPECT_EQ(h.titles.size(), 8u);

    for (auto& client : silent) {
        bool closed = false;
        client->receiveAll(closed, 3s);
        EXPECT_TRUE(closed);
    }
}
