#pragma once

// Finds out cheaply whether bytes are a feed and in which code, and turns
// them, block by block, into the UTF-8 that the XML reader is given. The
// Japanese codes go through the same conversions as HTML pages, so a feed
// reads the same characters its site's pages do.

#include <string>
#include <string_view>

class FeedDecoder {
public:
    enum class Code { Utf8, Utf16Le, Utf16Be, ShiftJis, EucJp, Iso2022Jp, Latin1 };

    // How much of the start the sniff looks at: a feed's root element comes
    // well before it, and a long HTML page is not read to find out.
    static constexpr size_t kSniffBytes = 64 * 1024;

    // Reads the start of the data (a BOM, the XML declaration, comments,
    // processing instructions, a doctype) up to the root element. Afterwards
    // IsFeed tells whether that was rss, rdf:RDF or feed, and the decoder is
    // set to the code of the BOM or the declaration (UTF-8 without either).
    explicit FeedDecoder(std::string_view head);

    bool IsFeed() const { return isFeed_; }
    Code GetCode() const { return code_; }

    // The UTF-8 of the next block; a character cut by the block's end is
    // kept for the next call. last: no data follows (what is kept is flushed).
    // The BOM and the XML declaration are left out, wherever the blocks
    // are cut: the text no longer is in the code the declaration names.
    std::string Decode(std::string_view block, bool last);

    // The code a declaration's encoding name stands for; UTF-8 when unknown.
    static Code CodeNamed(std::string_view name);

private:
    std::string decodeUtf8(std::string_view bytes, bool last);
    std::string decodeUtf16(std::string_view bytes, bool last);
    std::string decodeShiftJis(std::string_view bytes, bool last);
    std::string decodeEucJp(std::string_view bytes, bool last);
    std::string decodeIso2022Jp(std::string_view bytes, bool last);

    bool isFeed_ = false;
    Code code_ = Code::Utf8;
    size_t skip_ = 0; // bytes of the BOM and the declaration still to drop
    // The character set ISO-2022-JP has switched to.
    enum class JisSet { Ascii, Kanji, Katakana } jisSet_ = JisSet::Ascii;
    std::string carry_; // a character cut by the last block's end
};
