#pragma once

// The page pipeline from the command line: what the reader makes of a page.

#include <ostream>
#include <string>
#include <vector>

class HeadlinesTool {
public:
    HeadlinesTool(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // Exit status: 0 success, 1 a page that cannot be read, 2 bad arguments.
    // Write errors on out are the caller's to check.
    int Run(const std::vector<std::string>& args);

    static const char* Usage();

private:
    enum class Mode { Headlines, Download, Items, Code, Help, Version };
    struct Options {
        Mode mode = Mode::Headlines;
        bool sjis = false;
        bool header = false;
        bool exact = false; // the exact extraction rules
        std::string base;   // as given (UTF-8)
        std::string target;
    };

    // "" when the arguments make sense, else what is wrong with them.
    std::string parse(const std::vector<std::string>& args, Options& options);
    bool readPage(const std::string& nativePath, std::string& bytes);
    void writeHeadline(const std::string& title, const std::string& link);
    // Writes Shift_JIS text as UTF-8, or as it is with --sjis.
    void writeLine(const std::string& sjis);
    void writeText(std::ostream& to, const std::string& sjis);

    int headlines(const Options& options);
    int download(const Options& options);
    int items(const Options& options);
    int code(const Options& options);

    std::ostream& out_;
    std::ostream& err_;
    bool sjis_ = false;
};
