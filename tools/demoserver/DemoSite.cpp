#include "tools/demoserver/DemoSite.h"

#include "tools/demoserver/TextCodec.h"

#include <fstream>
#include <iterator>

namespace {

const char* const kFrameMain = "/frames/main.html";
const size_t kFrameFront = 1; // the EUC-JP page fills the frame site's main frame

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

DemoResponse shiftJis(const std::string& utf8) {
    DemoResponse r;
    r.contentType = "text/html; charset=Shift_JIS";
    TextCodec("CP932").FromUtf8(utf8, r.body);
    return r;
}

DemoResponse utf8Page(std::string body, int status = 200) {
    DemoResponse r;
    r.status = status;
    r.contentType = "text/html; charset=UTF-8";
    r.body = std::move(body);
    return r;
}

DemoResponse framesetPage() {
    return shiftJis("<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=Shift_JIS\">\n<title>サンプル新聞 フレーム版</title>\n</head>\n"
                    "<frameset cols=\"160,*\">\n<frame src=\"menu.html\" name=\"menu\">\n"
                    "<frame src=\"main.html\" name=\"main\">\n</frameset>\n</html>\n");
}

// A frame without stamps gives no headlines of its own.
DemoResponse menuPage() {
    return shiftJis("<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=Shift_JIS\">\n</head>\n<body>\n<p><a href=\"main.html\" "
                    "target=\"main\">ニュース</a></p>\n<p><a href=\"/\" target=\"_top\">"
                    "トップ</a></p>\n</body>\n</html>\n");
}

DemoResponse indexPage() {
    std::string body = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n"
                       "<title>デモ ニュースサーバー</title>\n</head>\n<body>\n<ul>\n";
    for (const DemoSite::Front& f : DemoSite::Fronts())
        body += std::string("<li><a href=\"") + f.path + "\">" + f.charset + "</a>\n";
    body += "<li><a href=\"/frames/\">フレーム</a>\n<li><a href=\"/moved/\">転送</a>\n"
            "</ul>\n</body>\n</html>\n";
    return utf8Page(body);
}

DemoResponse articlePage(const std::string& path) {
    return utf8Page("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n"
                    "<title>デモ記事</title>\n</head>\n<body>\n<h1>デモ記事</h1>\n"
                    "<p>デモ用ニュースサーバーの記事です: " +
                    escapeHtml(path) + "</p>\n<p><a href=\"/\">トップ</a></p>\n</body>\n</html>\n");
}

} // namespace

const std::vector<DemoSite::Front>& DemoSite::Fronts() {
    static const std::vector<Front> fronts = {
        {"/sjis/", "front-sjis.html", "CP932", "Shift_JIS"},
        {"/euc/", "front-euc.html", "EUC-JP", "EUC-JP"},
        {"/jis/", "front-jis.html", "ISO-2022-JP", "ISO-2022-JP"},
        {"/utf8/", "front-utf8.html", "UTF-8", "UTF-8"},
    };
    return fronts;
}

bool DemoSite::Load(const std::string& folder, std::string& error) {
    pages_.clear();
    for (const Front& f : Fronts()) {
        std::string path = folder + "/" + f.file;
        std::ifstream in(path, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.is_open() || in.bad() || bytes.empty()) {
            error = "cannot read " + path;
            return false;
        }
        std::string utf8;
        if (!TextCodec(f.code).ToUtf8(bytes, utf8)) {
            error = path + " is not " + f.charset;
            return false;
        }
        pages_.push_back(std::move(utf8));
    }
    return true;
}

DemoResponse DemoSite::front(const Front& f, const std::string& utf8,
                             StampRewriter::Minutes now) const {
    DemoResponse r;
    r.contentType = std::string("text/html; charset=") + f.charset;
    if (!TextCodec(f.code).FromUtf8(StampRewriter(now).Rewrite(utf8), r.body)) {
        r.status = 500;
        r.body = "cannot encode the page";
    }
    return r;
}

DemoResponse DemoSite::Respond(const std::string& target, StampRewriter::Minutes now) const {
    std::string path = target.substr(0, target.find('?'));
    for (size_t i = 0; i < Fronts().size() && i < pages_.size(); ++i)
        if (path == Fronts()[i].path) return front(Fronts()[i], pages_[i], now);
    if (path == "/") return indexPage();
    if (path == "/frames/") return framesetPage();
    if (path == "/frames/menu.html") return menuPage();
    if (path == kFrameMain && kFrameFront < pages_.size())
        return front(Fronts()[kFrameFront], pages_[kFrameFront], now);
    if (path == "/moved/") {
        DemoResponse r;
        r.status = 301;
        r.location = "/utf8/";
        return r;
    }
    if (endsWith(path, ".html")) return articlePage(path);
    return utf8Page("<html><body>not found</body></html>\n", 404);
}
