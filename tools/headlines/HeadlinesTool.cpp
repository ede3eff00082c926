#include "tools/headlines/HeadlinesTool.h"

#include "engine/html/zelHtml.h"
#include "engine/site/HeadlineExtractor.h"
#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

const char* HeadlinesTool::Usage() {
    return "usage: headlines [--sjis] [--base URL] FILE\n"
           "       headlines [--sjis] --items FILE\n"
           "       headlines [--sjis] --code FILE\n"
           "       headlines --help\n"
           "\n"
           "  FILE          print the page's headlines, one per line: title, tab, link;\n"
           "                pages it queues (frames, meta refresh) go to stderr as\n"
           "                \"pending<TAB>URL\"\n"
           "  --base URL    the page's own URL: links resolve against it and a headline\n"
           "                without a link gets it (default: the file's file: URL)\n"
           "  --items FILE  print the page reader's items, one per line\n"
           "  --code FILE   print the page's code: 1 Shift_JIS, 2 EUC-JP,\n"
           "                3 ISO-2022-JP, 4 UTF-8\n"
           "  --sjis        write text as Shift_JIS bytes instead of UTF-8\n";
}

bool HeadlinesTool::parse(const std::vector<std::string>& args, Options& options, bool& help) {
    help = false;
    bool modeGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        if (a == "--sjis") {
            options.sjis = true;
        } else if (a == "--base") {
            if (i + 1 >= args.size() || !options.base.empty()) return false;
            options.base = args[++i];
            if (options.base.empty()) return false;
        } else if (a == "--items" || a == "--code") {
            if (modeGiven || i + 1 >= args.size()) return false;
            options.mode = a == "--items" ? Mode::Items : Mode::Code;
            options.target = args[++i];
            modeGiven = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            if (!options.target.empty()) return false;
            options.target = a;
        }
    }
    // --base belongs to the headline form only.
    return !options.target.empty() && (options.mode == Mode::Headlines || options.base.empty());
}

int HeadlinesTool::Run(const std::vector<std::string>& args) {
    Options options;
    bool help = false;
    if (!parse(args, options, help)) {
        err_ << Usage();
        return 2;
    }
    if (help) {
        out_ << Usage();
        return 0;
    }
    sjis_ = options.sjis;
    switch (options.mode) {
    case Mode::Items:
        return items(options);
    case Mode::Code:
        return code(options);
    case Mode::Headlines:
        return headlines(options);
    }
    err_ << Usage();
    return 2;
}

bool HeadlinesTool::readPage(const std::string& nativePath, std::string& bytes) {
    if (platform::ReadFileBytes(platform::PathFromNative(nativePath), bytes)) return true;
    err_ << "headlines: cannot read " << nativePath << ": " << std::strerror(errno) << '\n';
    return false;
}

void HeadlinesTool::writeText(std::ostream& to, const std::string& sjis) {
    if (sjis_)
        to << sjis;
    else
        to << platform::SjisToUtf8(sjis);
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
    } else {
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(options.target, ec);
        base = "file://" +
               platform::PathFromNative(ec ? options.target : absolute.lexically_normal().string());
    }

    std::vector<std::string> items, titles, links, pending;
    zelHtml html;
    html.LoadItemsFromBytes(std::move(bytes), items);
    HeadlineExtractor extractor(base, base, titles, links, pending);
    extractor.Extract(items);

    for (size_t i = 0; i < titles.size(); ++i) {
        writeText(out_, titles[i]);
        out_ << '\t';
        writeText(out_, links[i]);
        out_ << '\n';
    }
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
    std::vector<std::string> list;
    html.LoadItemsFromBytes(std::move(bytes), list);
    for (const std::string& item : list)
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
