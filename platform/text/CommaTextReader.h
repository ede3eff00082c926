#pragma once

// Comma text read one item at a time: the rules of SplitCommaText, which
// reads with it. Settings and designs are untrusted: a value of
// millions of empty items costs no more than its longest item, where
// splitting it would cost a string per item.

#include <string>
#include <string_view>

namespace platform {

class CommaTextReader {
public:
    // text must outlive the reader.
    explicit CommaTextReader(std::string_view text);

    // The next item; false, with item empty, when there is none.
    bool Next(std::string& item);

private:
    void skipBlanks();

    std::string_view text_;
    size_t at_ = 0;
    // A comma that ends the text still separates an empty last item.
    bool emptyLast_ = false;
};

} // namespace platform
