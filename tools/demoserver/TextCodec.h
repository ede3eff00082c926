#pragma once

// Whole-text conversion between a page's code and UTF-8 (glibc iconv), so
// the sample pages can be edited as UTF-8 and served in their own code.

#include <string>

class TextCodec {
public:
    // code: an iconv name ("CP932", "EUC-JP", "ISO-2022-JP", "UTF-8").
    explicit TextCodec(std::string code) : code_(std::move(code)) {}

    bool ToUtf8(const std::string& bytes, std::string& utf8) const;
    bool FromUtf8(const std::string& utf8, std::string& bytes) const;

private:
    static bool convert(const char* to, const char* from, const std::string& in, std::string& out);

    std::string code_;
};
