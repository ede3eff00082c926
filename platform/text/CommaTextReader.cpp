#include "platform/text/CommaTextReader.h"

namespace platform {

namespace {

bool isBlank(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

} // namespace

CommaTextReader::CommaTextReader(std::string_view text) : text_(text.substr(0, text.find('\0'))) {
    // A NUL ends the text, as it ends a C string.
    skipBlanks();
}

void CommaTextReader::skipBlanks() {
    while (at_ < text_.size() && isBlank(text_[at_]))
        ++at_;
}

bool CommaTextReader::Next(std::string& item) {
    item.clear();
    if (emptyLast_) {
        emptyLast_ = false;
        return true;
    }
    if (at_ >= text_.size()) return false;
    // Neither a quote nor a comma can be a trail byte: bytes are scanned one
    // by one.
    if (text_[at_] == '"') {
        ++at_;
        while (at_ < text_.size()) {
            if (text_[at_] == '"') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
                    item += '"';
                    at_ += 2;
                    continue;
                }
                ++at_;
                break;
            }
            item += text_[at_++];
        }
    } else {
        size_t start = at_;
        while (at_ < text_.size() && static_cast<unsigned char>(text_[at_]) > ' ' &&
               text_[at_] != ',')
            ++at_;
        item.assign(text_.substr(start, at_ - start));
    }
    skipBlanks();
    if (at_ < text_.size() && text_[at_] == ',') {
        emptyLast_ = at_ + 1 == text_.size();
        ++at_;
        skipBlanks();
    }
    return true;
}

} // namespace platform
