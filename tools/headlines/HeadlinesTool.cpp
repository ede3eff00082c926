#include "tools/headlines/HeadlinesTool.h"

#include "engine/html/zelHtml.h"
#include "engine/inet/TUrl.h"
#include "engine/inet/TWinInet.h"
#include "engine/site/FeedReader.h"
#include "engine/site/HeadlineExtractor.h"
#include "engine/site/TNewsSites.h"
#include "platform/errors/LastError.h"
#include "platform/text/SjisString.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"
#include <getopt.h>
#include <memory>
#include <mutex>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace {

bool isUrl(const std::string& target) {
    return platform::StartsWithNoCase(target, "http://") ||
           platform::StartsWithNoCase(target, "https://");
}

// "scheme://", as RFC 3986 spells a scheme.
bool hasScheme(const std::string& target) {
    size_t colon = target.find("://");
    if (colon == std::string::npos || colon == 0 || !std::isalpha(uint8_t(target[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        char c = target[i];
        if (!std::isalnum(uint8_t(c)) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// "example.com" or "www.example.co.jp/news/": a host name that lacks its
// "http://", not a page's file name such as "index.html".
bool looksLikeHost(const std::string& target) {
    std::string host = target.substr(0, target.find('/'));
    size_t lastDot = host.rfind('.');
    if (lastDot == std::string::npos || lastDot == 0 || lastDot + 1 == host.size()) return false;
    for (char c : host)
        if (!std::isalnum(uint8_t(c)) && c != '-' && c != '.') return false;
    std::string top = host.substr(lastDot + 1);
    for (char& c : top) {
        if (!std::isalpha(uint8_t(c))) return false;
        c = static_cast<char>(std::tolower(uint8_t(c)));
    }
    for (const char* extension : {"html", "htm", "shtml", "xhtml", "xml", "rss", "rdf", "atom",
                                  "txt", "php", "asp", "aspx", "cgi"})
        if (top == extension) return false;
    return true;
}

// A folder of its own for the cache file, gone when the run ends.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "headlines-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const char* kindName(uint8_t kind) {
    switch (kind) {
    case TWinInet::EventBegin:
        return "connecting";
    case TWinInet::EventProgress:
        return "receiving";
    default:
        return "received";
    }
}

} // namespace

const char* HeadlinesTool::Usage() {
    return "usage: headlines [--sjis] [--exact] [--header] URL\n"
           "       headlines [--sjis] [--exact] [--base URL] FILE\n"
           "       headlines [--sjis] --items FILE\n"
           "       headlines [--sjis] --code FILE\n"
           "       headlines --help | --version\n"
           "\n"
           "  URL           fetch the page (http or https), and the frame and refresh\n"
           "                pages it names, and print their headlines like FILE does\n"
           "  --header      with URL: print the site's header line first\n"
           "  FILE          print the page's headlines, one per line: title, tab, link;\n"
           "                pages it queues (frames, meta refresh) go to stderr as\n"
           "                \"pending<TAB>URL\"\n"
           "  --base URL    the page's own URL: links resolve against it and a headline\n"
           "                without a link gets it (default: the file's file: URL)\n"
           "  --exact       with URL or FILE: the exact extraction rules, as front pages\n"
           "                were around 2000 (m/d and h:m stamps only, a block's last\n"
           "                link, no <base href>, no feeds); without it Japanese and\n"
           "                full-width dates count, a block takes its longest link and\n"
           "                a feed (RSS or Atom) gives its items\n"
           "  --items FILE  print the page reader's items, one per line\n"
           "  --code FILE   print the page's code: 1 Shift_JIS, 2 EUC-JP,\n"
           "                3 ISO-2022-JP, 4 UTF-8\n"
           "  --sjis        write text as Shift_JIS bytes instead of UTF-8\n"
           "\n"
           "FILE may be - for standard input. Exit status: 0 success, 1 a page that\n"
           "cannot be read or fetched (or output that cannot be written), 2 bad\n"
           "arguments.\n";
}

std::string HeadlinesTool::parse(const std::vector<std::string>& args, Options& options) {
    // getopt_long's rules, as every command-line tool has them: options in
    // any order and anywhere before "--". It permutes argv, never the text.
    std::vector<std::string> texts(args);
    std::string name = "headlines";
    std::vector<char*> argv{name.data()};
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    static const option longOptions[] = {{"sjis", no_argument, nullptr, 's'},
                                         {"header", no_argument, nullptr, 'H'},
                                         {"exact", no_argument, nullptr, 'x'},
                                         {"base", required_argument, nullptr, 'b'},
                                         {"items", no_argument, nullptr, 'i'},
                                         {"code", no_argument, nullptr, 'c'},
                                         {"help", no_argument, nullptr, 'h'},
                                         {"version", no_argument, nullptr, 'V'},
                                         {nullptr, 0, nullptr, 0}};
    optind = 0; // a fresh scan on every call
    opterr = 0;
    bool modeGiven = false;
    int c;
    std::string error;
    // Help and version win over any mistake, wherever they stand.
    while ((c = getopt_long(static_cast<int>(argv.size() - 1), argv.data(), ":h", longOptions,
                            nullptr)) != -1) {
        // The word at fault; a short option's own letter may sit inside a group.
        std::string given = argv[optind - 1];
        bool longGiven = given.starts_with("--");
        given = given.substr(0, given.find('='));
        switch (c) {
        case 'h':
            options.mode = Mode::Help;
            return "";
        case 'V':
            options.mode = Mode::Version;
            return "";
        case 's':
            options.sjis = true;
            break;
        case 'H':
            options.header = true;
            break;
        case 'x':
            options.exact = true;
            break;
        case 'b':
            if (error.empty() && !options.base.empty()) error = "--base given twice";
            if (error.empty() && !*optarg) error = "--base needs a URL";
            options.base = optarg;
            break;
        case 'i':
        case 'c':
            if (error.empty() && modeGiven) error = "--items and --code cannot be combined";
            options.mode = c == 'i' ? Mode::Items : Mode::Code;
            modeGiven = true;
            break;
        case ':':
            if (error.empty()) error = "option '" + given + "' requires an argument";
            break;
        default:
            if (!error.empty()) break;
            if (optopt == 0)
                error = "unrecognized option '" + given + "'";
            else if (longGiven && std::strchr(argv[optind - 1], '='))
                error = "option '" + given + "' doesn't allow an argument";
            else
                error = std::string("invalid option -- '") + static_cast<char>(optopt) + "'";
            break;
        }
    }
    if (!error.empty()) return error;
    int operands = static_cast<int>(argv.size() - 1) - optind;
    if (operands == 0) return "missing URL or FILE";
    if (operands > 1) return "extra operand '" + std::string(argv[optind + 1]) + "'";
    options.target = argv[optind];
    if (isUrl(options.target)) {
        if (options.mode != Mode::Headlines)
            return "--items and --code read a FILE or -, not a URL";
        options.mode = Mode::Download;
    }
    if (!options.base.empty() && options.mode != Mode::Headlines)
        return "--base goes with a FILE only";
    if (options.exact && options.mode != Mode::Headlines && options.mode != Mode::Download)
        return "--exact does not go with --items or --code";
    if (options.header && options.mode != Mode::Download) return "--header goes with a URL only";
    return "";
}

int HeadlinesTool::Run(const std::vector<std::string>& args) {
    Options options;
    std::string error = parse(args, options);
    if (!error.empty()) {
        err_ << "headlines: " << error << "\nTry 'headlines --help' for more information.\n";
        return 2;
    }
    // Before reading a file of that name: "ftp://host/x" names no file anyone means.
    if (options.mode != Mode::Help && options.mode != Mode::Version &&
        options.mode != Mode::Download && hasScheme(options.target)) {
        err_ << "headlines: " << options.target << ": "
             << platform::DescribeError(platform::ErrorInternetUnrecognizedScheme) << '\n';
        return 1;
    }
    sjis_ = options.sjis;
    switch (options.mode) {
    case Mode::Help:
        out_ << Usage();
        return 0;
    case Mode::Version:
        out_ << "headlines " NEWS_VERSION "\n";
        return 0;
    case Mode::Items:
        return items(options);
    case Mode::Code:
        return code(options);
    case Mode::Headlines:
        return headlines(options);
    case Mode::Download:
        return download(options);
    }
    return 2;
}

bool HeadlinesTool::readPage(const std::string& nativePath, std::string& bytes) {
    // Files obey the downloads' limit: /dev/zero must not fill the memory.
    constexpr size_t limit = TWinInet::kMaxPageBytes;
    bool stdIn = nativePath == "-";
    if (stdIn
            ? platform::ReadDescriptorBytes(STDIN_FILENO, bytes, limit)
            : platform::ReadFileBytes(platform::PathFromNative(nativePath), bytes, nullptr, limit))
        return true;
    int error = errno;
    err_ << "headlines: cannot read " << (stdIn ? "standard input" : nativePath) << ": "
         << (error == EFBIG ? platform::DescribeError(platform::ErrorFileTooLarge)
                            : std::strerror(error));
    if (error == ENOENT && looksLikeHost(nativePath))
        err_ << " (a web page? add \"http://\": http://" << nativePath << ')';
    err_ << '\n';
    return false;
}

void HeadlinesTool::writeText(std::ostream& to, const std::string& sjis) {
    if (sjis_)
        to << sjis;
    else
        to << platform::SjisToUtf8(sjis);
}

void HeadlinesTool::writeHeadline(const std::string& title, const std::string& link) {
    writeText(out_, title);
    out_ << '\t';
    writeText(out_, link);
    out_ << '\n';
}

void HeadlinesTool::writeLine(const std::string& sjis) {
    writeText(out_, sjis);
    out_ << '\n';
}

int HeadlinesTool::headlines(const Options& options) {
    std::string bytes;
    if (!readPage(options.target, bytes)) return 1;
    std::string base;
    if (!options.base.empty()) {
        base = platform::Utf8ToSjis(options.base);
    } else if (options.target == "-") {
        base = "file:///dev/stdin";
    } else {
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(options.target, ec);
        base = "file://" +
               platform::PathFromNative(ec ? options.target : absolute.lexically_normal().string());
    }

    std::vector<std::string> titles, links, pending;
    if (options.exact || !ReadFeed(bytes, base, base, titles, links, nullptr)) {
        // Item by item, as the engine reads its pages: a large page is held
        // once, not again as a list of its items.
        zelHtml html;
        html.OpenBytes(std::move(bytes));
        HeadlineExtractor extractor(base, base, titles, links, pending);
        extractor.SetExtended(!options.exact);
        std::string item;
        while (html.NextItem(item))
            extractor.AddItem(item);
        extractor.Finish();
    }

    for (size_t i = 0; i < titles.size(); ++i)
        writeHeadline(titles[i], links[i]);
    for (const std::string& url : pending) {
        err_ << "pending\t";
        writeText(err_, url);
        err_ << '\n';
    }
    return 0;
}

int HeadlinesTool::items(const Options& options) {
    std::string bytes;
    if (!readPage(options.target, bytes)) return 1;
    zelHtml html;
    html.OpenBytes(std::move(bytes));
    std::string item;
    while (html.NextItem(item))
        writeLine(item);
    return 0;
}

int HeadlinesTool::code(const Options& options) {
    std::string bytes;
    if (!readPage(options.target, bytes)) return 1;
    zelHtml html;
    html.Attach(std::move(bytes));
    out_ << html.DetectCode() << '\n';
    return 0;
}

int HeadlinesTool::download(const Options& options) {
    // The update ends on the event loop; the command line has none of its own.
    std::unique_ptr<QCoreApplication> app;
    static int argc = 1;
    static char name[] = "headlines";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);

    ScratchFolder scratch;
    if (scratch.path().empty()) {
        err_ << "headlines: cannot make a temporary folder: " << std::strerror(errno) << '\n';
        return 1;
    }
    std::string url = platform::Utf8ToSjis(options.target);
    std::string host = TUrl(url).GetHost();
    TNewsSites sites(platform::PathFromNative(scratch.path()));
    sites.SetExtended(!options.exact);
    TNewsSite* site = sites.Add(host.empty() ? "headlines" : host, url, 0, true);

    std::mutex progressMutex;
    if (&err_ == &std::cerr && isatty(STDERR_FILENO)) {
        site->OnProgress = [&](TNewsSite*, uint8_t kind, int32_t value) {
            std::lock_guard lock(progressMutex);
            err_ << "\r" << kindName(kind) << ' ' << value << " bytes\x1B[K" << std::flush;
        };
    }
    QEventLoop loop;
    bool finished = false;
    sites.OnUpdated = [&](TNewsSites*) {
        finished = true;
        loop.quit();
    };
    if (!site->Update()) {
        err_ << "headlines: " << options.target << ": cannot start the download\n";
        return 1;
    }
    if (!finished) loop.exec();
    if (site->OnProgress) {
        std::lock_guard lock(progressMutex);
        err_ << "\r\x1B[K" << std::flush;
    }

    for (size_t i = 0; i < site->Titles.size(); ++i) {
        if (i == 0 && !options.header) continue;
        writeHeadline(site->Titles[i], site->Links[i]);
    }
    if (site->LastError != 0) {
        err_ << "headlines: " << platform::SjisToUtf8(site->FailedURL) << ": "
             << platform::DescribeError(site->LastError) << '\n';
        return 1;
    }
    return 0;
}
