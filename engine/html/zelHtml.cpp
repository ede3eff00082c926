#include "engine/html/zelHtml.h"

#include "engine/html/JapaneseCodes.h"
#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <utility>

using platform::SjisFind;
using platform::SjisLowerCase;

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kFullWidthSpace = "\x81\x40";

// An EUC-JP pair as Shift_JIS; a pair that decodes to nothing (lead 0x80)
// becomes "?" rather than the end-of-data character.
uint16_t eucPair(unsigned char lead, unsigned char trail) {
    uint16_t c = EucToSjis(static_cast<uint16_t>(lead << 8 | trail));
    return c == 0 ? '?' : c;
}

void append(std::string& s, uint16_t c) {
    if (c >= 0x100) {
        const char pair[2] = {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
        s.append(pair, 2);
    } else {
        s += static_cast<char>(c);
    }
}

// Shift_JIS bytes for the code point of a numeric reference, or "" when the
// reference names nothing code page 932 can show.
std::string referencedCharacter(std::string_view body) {
    char32_t cp = 0;
    bool hex = !body.empty() && (body[0] == 'x' || body[0] == 'X');
    std::string_view digits = hex ? body.substr(1) : body;
    if (digits.empty()) return {};
    for (char d : digits) {
        if (hex ? !platform::IsHexDigit(d) : !(d >= '0' && d <= '9')) return {};
        cp = cp * (hex ? 16 : 10) + (hex ? platform::HexValue(d) : d - '0');
        if (cp > 0x10FFFF) return {};
    }
    if (cp == 0) return {};
    uint16_t c = cp < 0x80 ? static_cast<uint16_t>(cp) : platform::UnicodeToSjis(cp);
    if (c == 0) return {};
    std::string out;
    append(out, c);
    return out;
}

// Between pieces of this size a long text looks at the abort flag.
constexpr size_t kPiece = zelHtml::kAbortCheckBytes;

bool abortedNow(const std::atomic<bool>* abort) {
    return abort && abort->load(std::memory_order_relaxed);
}

// False, with text left as it is, when an abort came first.
bool decodeNumericReferences(std::string& text, const std::atomic<bool>* abort) {
    size_t amp = text.find("&#");
    if (amp == std::string::npos) return true;
    std::string out;
    out.reserve(text.size()); // a character is shorter than its reference
    size_t pos = 0;
    size_t nextCheck = kPiece;
    while (amp != std::string::npos) {
        if (amp >= nextCheck) {
            nextCheck = amp + kPiece;
            if (abortedNow(abort)) return false;
        }
        size_t semi = text.find(';', amp + 2);
        if (semi == std::string::npos) break;
        std::string bytes =
            referencedCharacter(std::string_view(text).substr(amp + 2, semi - amp - 2));
        out.append(text, pos, amp - pos);
        if (bytes.empty())
            out.append(text, amp, semi + 1 - amp);
        else
            out += bytes;
        pos = semi + 1;
        amp = text.find("&#", pos);
    }
    out.append(text, pos);
    text = std::move(out);
    return true;
}

// One replacement over the whole text, done a piece at a time. Pieces
// start at an "&" (never a trail byte), and no entity holds a second one, so
// no match spans two pieces: the result is that of one pass.
bool replacePass(std::string& text, std::string_view from, std::string_view to,
                 const std::atomic<bool>* abort) {
    if (!abort || text.size() <= kPiece) {
        text = platform::SjisReplaceAllNoCase(text, from, to);
        return true;
    }
    std::string out;
    out.reserve(text.size()); // no entity's text is longer than the entity
    for (size_t begin = 0; begin < text.size();) {
        if (abortedNow(abort)) return false;
        size_t end = std::min(text.find('&', begin + kPiece), text.size());
        out += platform::SjisReplaceAllNoCase(std::string_view(text).substr(begin, end - begin),
                                              from, to);
        begin = end;
    }
    text = std::move(out);
    return true;
}

// The named entities one after another over the whole text ("&AMP;lt;" ends
// as "<"), then numeric references. An abort leaves the text half done.
// s cut down to trimmed, a view into it; in place, so a long text is not
// copied again.
void trimInPlace(std::string& s, std::string_view trimmed) {
    if (trimmed.size() == s.size()) return;
    size_t begin = static_cast<size_t>(trimmed.data() - s.data());
    s.erase(begin + trimmed.size());
    s.erase(0, begin);
}

void decodeEntities(std::string& text, const std::atomic<bool>* abort) {
    if (text.find('&') == std::string::npos) return;
    static constexpr std::pair<std::string_view, std::string_view> named[] = {
        {"&amp;", "&"}, {"&nbsp;", " "}, {"&quot;", "\""},
        {"&lt;", "<"},  {"&gt;", ">"},   {"&#160;", " "},
    };
    for (const auto& [from, to] : named) {
        if (text.find('&') == std::string::npos) return;
        if (!replacePass(text, from, to, abort)) return;
    }
    decodeNumericReferences(text, abort);
}

} // namespace

// ---- the decoder -----------------------------------------------------------

namespace {
constexpr size_t kRoomForMostItems = 256;
} // namespace

bool zelHtml::readTrail(unsigned char& trail) {
    // A missing trail byte, or a NUL where one should be, leaves the
    // character broken but the stream in step.
    if (pos_ >= data_.size() || data_[pos_] == 0) return false;
    trail = static_cast<unsigned char>(data_[pos_++]);
    return true;
}

uint16_t zelHtml::readSjis(unsigned char lead) {
    if (!platform::IsSjisLeadByte(lead)) return lead;
    unsigned char t;
    if (!readTrail(t)) return '?';
    return static_cast<uint16_t>(lead << 8 | t);
}

uint16_t zelHtml::readEuc(unsigned char lead) {
    if (lead < 0x80) return lead;
    unsigned char t;
    if (!readTrail(t)) return '?';
    return eucPair(lead, t);
}

uint16_t zelHtml::readUtf8(unsigned char lead) {
    if (lead < 0x80) return lead;
    size_t length;
    char32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return '?';
    }
    for (size_t i = 1; i < length; ++i) {
        // A byte that cannot continue the sequence is left for the next read.
        if (pos_ >= data_.size() || (static_cast<unsigned char>(data_[pos_]) & 0xC0) != 0x80)
            return '?';
        cp = cp << 6 | (static_cast<unsigned char>(data_[pos_++]) & 0x3F);
    }
    bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return '?';
    uint16_t c = platform::UnicodeToSjis(cp);
    return c == 0 ? kSjisGeta : c;
}

void zelHtml::readEscape() {
    if (pos_ >= data_.size()) return;
    char intro = data_[pos_++];
    if (intro != '$' && intro != '&' && intro != '(') return;
    if (pos_ >= data_.size()) return;
    char final = data_[pos_++];
    if (intro == '$' && (final == '@' || final == 'B' || final == 'D'))
        KanjiMode = true;
    else if (intro == '&' && final == '@')
        KanjiMode = true;
    else if (intro == '(' && (final == 'J' || final == 'B' || final == 'I'))
        KanjiMode = false;
}

uint16_t zelHtml::readCharSlow() {
    while (pos_ < data_.size()) {
        auto c = static_cast<unsigned char>(data_[pos_++]);
        switch (Code) {
        case CodeSjis:
            return readSjis(c);
        case CodeEuc:
            return readEuc(c);
        case CodeUtf8:
            return readUtf8(c);
        case CodeJis:
            if (c == kEsc) {
                readEscape();
                continue;
            }
            if (KanjiMode) {
                unsigned char t;
                if (!readTrail(t)) return '?';
                return JisToSjis(static_cast<uint16_t>(c << 8 | t));
            }
            return c;
        default:
            break;
        }

        // Code still open: decide from the bytes.
        if (c >= 0x81 && c <= 0x9F && c != 0x8E && c != 0x8F) {
            Code = CodeSjis;
            return readSjis(c);
        }
        if (c == 0xFD || c == 0xFE) {
            Code = CodeEuc;
            return readEuc(c);
        }
        if (c == kEsc) {
            Code = CodeJis;
            readEscape();
            continue;
        }
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            unsigned char t;
            if (!readTrail(t)) return '?';
            auto v = static_cast<uint16_t>(c << 8 | t);
            if (t < 0xA1) {
                Code = CodeSjis;
                return v;
            }
            if (t == 0xFD || t == 0xFE) {
                Code = CodeEuc;
                return EucToSjis(v);
            }
            return CodeHint == CodeEuc ? EucToSjis(v) : v;
        }
        if (CodeHint != CodeEuc || c < 0x80) return c;
        unsigned char t;
        if (!readTrail(t)) return c;
        if (t < 0xA1) {
            Code = CodeSjis;
            --pos_;
            return c;
        }
        if (t == 0xFD || t == 0xFE) Code = CodeEuc;
        return eucPair(c, t);
    }
    return 0;
}

// ---- items -----------------------------------------------------------------

namespace {

struct Stops {
    bool text[128] = {};
    bool tag[128] = {};
    bool quoted[128] = {};
    constexpr Stops() {
        for (unsigned char c : {'\0', '\n', '\r', '\x1B', '"'})
            text[c] = tag[c] = true;
        for (unsigned char c : {'\0', '\x1B', '"', '\''})
            quoted[c] = true;
        text[static_cast<unsigned char>('\'')] = true;
        text[static_cast<unsigned char>('<')] = true;
        tag[static_cast<unsigned char>('>')] = true;
    }
};
constexpr Stops kStops;

} // namespace

void zelHtml::copyPlainRun(std::string& out, const StopSet& stops) {
    // Most of a page is ASCII, Shift_JIS pairs or EUC-JP pairs; handling them
    // here in bulk, rather than a character at a time, is what keeps the
    // reader near the speed of a plain code conversion.
    if (KanjiMode) return;
    const char* d = data_.data();
    const size_t n = std::min(data_.size(), nextCheck_);
    size_t p = pos_;
    size_t copied = p;
    while (p < n) {
        auto b = static_cast<unsigned char>(d[p]);
        if (b < 0x80) {
            if (stops[b]) break;
            ++p;
            continue;
        }
        if (Code != CodeSjis && Code != CodeEuc) break;
        bool pair = Code == CodeEuc || platform::IsSjisLeadByte(b);
        if (!pair) {
            ++p;
            continue;
        }
        if (p + 1 >= n || d[p + 1] == 0) break;
        if (Code == CodeEuc) {
            out.append(d + copied, p - copied);
            append(out, eucPair(b, static_cast<unsigned char>(d[p + 1])));
            copied = p + 2;
        }
        p += 2;
    }
    out.append(d + copied, p - copied);
    pos_ = p;
}

bool zelHtml::follows(std::string_view ascii, bool ignoreCase) {
    for (char expected : ascii) {
        uint16_t c = ReadChar();
        if (ignoreCase && c >= 'A' && c <= 'Z') c += 32;
        if (c != static_cast<unsigned char>(expected)) return false;
    }
    return true;
}

void zelHtml::readQuotedTail(char quote, std::string& item) {
    // Nested quotes alternate, each differing from the one it is inside, so
    // a count tells which is open: a page of alternating quotes needs neither
    // the call stack nor a stack the page long.
    const char other = quote == '"' ? '\'' : '"';
    size_t depth = 1;
    while (depth > 0) {
        checkAbort();
        capItem(item);
        copyPlainRun(item, kStops.quoted);
        uint16_t c = ReadChar();
        if (c == 0) return;
        append(item, c);
        char top = depth % 2 == 1 ? quote : other;
        if (c == static_cast<unsigned char>(top))
            --depth;
        else if (top == '\'' && c == '"')
            ++depth;
        else if (top == '"' && c == '\'' && InScript)
            ++depth;
    }
}

void zelHtml::readTagTail(std::string& item) {
    while (true) {
        checkAbort();
        capItem(item);
        copyPlainRun(item, kStops.tag);
        uint16_t c = ReadChar();
        if (c == 0) return;
        if (c == '\r') {
            Mark m = mark();
            if (ReadChar() != '\n') stepBack(m);
            item += ' ';
        } else if (c == '\n') {
            item += ' ';
        } else if (c == '"') {
            item += '"';
            readQuotedTail('"', item);
        } else {
            append(item, c);
            if (c == '>') return;
        }
    }
}

void zelHtml::readCommentTail(std::string& item) {
    // Depth counts the "<!--" still open, the outer one included.
    size_t depth = 1;
    bool justOpened = true;
    while (depth > 0) {
        checkAbort();
        capItem(item);
        if (justOpened) {
            justOpened = false;
            Mark m = mark();
            if (follows("->")) {
                item += "-->";
                --depth;
                continue;
            }
            stepBack(m);
        }
        uint16_t c = ReadChar();
        if (c == 0) {
            for (; depth > 0; --depth)
                item += "-->";
            return;
        }
        Mark m = mark();
        if (c == '\r') {
            if (ReadChar() != '\n') stepBack(m);
            item += ' ';
        } else if (c == '\n') {
            item += ' ';
        } else if (c == '-' && follows("->")) {
            item += "-->";
            --depth;
        } else if (c == '<' && follows("!--")) {
            item += "<!--";
            ++depth;
            justOpened = true;
        } else {
            stepBack(m);
            append(item, c);
        }
    }
}

void zelHtml::readScriptBody(std::string& body) {
    while (true) {
        checkAbort();
        Mark m = mark();
        uint16_t c = ReadChar();
        if (c != '\r' && c != '\n') {
            stepBack(m);
            break;
        }
    }
    body.clear();
    Mark start = mark();
    if (follows("<!--")) {
        body = "<!--";
        readCommentTail(body);
    } else {
        stepBack(start);
    }
    while (true) {
        checkAbort();
        capItem(body);
        Mark before = mark();
        uint16_t c = ReadChar();
        if (c == 0) break;
        if (c == '"' || c == '\'') {
            append(body, c);
            readQuotedTail(static_cast<char>(c), body);
        } else if (c == '/') {
            Mark m = mark();
            uint16_t d = ReadChar();
            if (d == '/') {
                body += "//";
                while (true) {
                    checkAbort();
                    capItem(body);
                    Mark eol = mark();
                    uint16_t e = ReadChar();
                    if (e == 0 || e == '\r' || e == '\n') {
                        stepBack(eol);
                        break;
                    }
                    append(body, e);
                }
            } else if (d == '*') {
                body += "/*";
                uint16_t previous = 0;
                while (uint16_t e = ReadChar()) {
                    checkAbort();
                    capItem(body);
                    append(body, e);
                    if (previous == '*' && e == '/') break;
                    previous = e;
                }
            } else {
                stepBack(m);
                body += '/';
            }
        } else if (c == '<') {
            // Only "</script>" exactly (any letter case) ends the body; any
            // other tag-like text stays part of it.
            Mark m = mark();
            if (follows("/script>", true)) {
                stepBack(before);
                break;
            }
            stepBack(m);
            body += '<';
        } else if (!body.empty() || c > ' ') {
            // Leading blanks would be trimmed: they do not count towards
            // the most a body keeps.
            append(body, c);
        }
    }
    InScript = false;
    std::string_view trimmed = platform::TrimView(body);
    trimInPlace(body, trimmed);
}

void zelHtml::readRawItem(std::string& item) {
    KanjiMode = false;
    if (InScript) return readScriptBody(item);
    item.clear();
    // An item rarely runs past the next bracket, and decoding never makes
    // text longer than its bytes: one allocation instead of several, and for
    // a long item no copying as it grows. A string that has held items
    // before has room enough for most.
    if (item.capacity() < kRoomForMostItems && pos_ < data_.size()) {
        size_t end = data_.find(data_[pos_] == '<' ? '>' : '<', pos_ + 1);
        size_t needed = (end == std::string::npos ? data_.size() : end + 1) - pos_;
        // The room for most items, so that the next need not look ahead.
        item.reserve(std::clamp(needed, kRoomForMostItems, kKeptItemBytes + kAbortCheckBytes));
    }
    while (true) {
        checkAbort();
        capItem(item);
        copyPlainRun(item, kStops.text);
        Mark before = mark();
        uint16_t c = ReadChar();
        if (c == 0) break;
        if (c == '\r') {
            Mark m = mark();
            if (ReadChar() != '\n') stepBack(m);
            item += ' ';
        } else if (c == '\n') {
            item += ' ';
        } else if (c == '"' || c == '\'') {
            item += static_cast<char>(c);
            readQuotedTail(static_cast<char>(c), item);
        } else if (c == '<') {
            if (!item.empty()) {
                stepBack(before);
                break;
            }
            Mark m = mark();
            // Most tags are told from a comment by their first byte alone.
            auto next = pos_ < data_.size() ? static_cast<unsigned char>(data_[pos_]) : '!';
            bool plain = next < 0x80 && next != kEsc && next != '!' && !KanjiMode;
            if (!plain && follows("!--")) {
                item = "<!--";
                readCommentTail(item);
            } else {
                stepBack(m);
                item = "<";
                readTagTail(item);
            }
            break;
        } else {
            append(item, c);
        }
    }
    if (item.size() < 7 || item[0] != '<') return;
    if (platform::StartsWithNoCase(item, "<script"))
        InScript = true;
    else if (platform::EqualsNoCase(item, "</script>"))
        InScript = false;
}

std::string zelHtml::ReadItem() {
    std::string item;
    readItem(item);
    return item;
}

// Into the caller's string, whose room serves item after item.
void zelHtml::readItem(std::string& item) {
    readRawItem(item);
    if (item == kFullWidthSpace) {
        item.clear();
        return;
    }
    if (item.size() > kMaxItemBytes) {
        size_t cut = 0;
        while (cut < kMaxItemBytes)
            cut += platform::SjisCharLength(item, cut);
        item.resize(cut > kMaxItemBytes ? cut - 2 : cut);
    }
    decodeEntities(item, Aborting);
    trimInPlace(item, platform::TrimView(item));
}

// ---- the page --------------------------------------------------------------

void zelHtml::pollAbort() {
    nextCheck_ = pos_ + kAbortCheckBytes;
    if (Aborting && Aborting->load(std::memory_order_relaxed)) {
        aborted_ = true;
        pos_ = data_.size();
    }
}

void zelHtml::Attach(std::string bytes) {
    data_ = std::move(bytes);
    loaded_ = true;
    pos_ = 0;
    nextCheck_ = 0;
    aborted_ = false;
    KanjiMode = false;
    InScript = false;
}

void zelHtml::rewind() {
    pos_ = 0;
    nextCheck_ = 0;
    KanjiMode = false;
    InScript = false;
    if (Code == CodeUtf8 && std::string_view(data_).starts_with(kUtf8Bom)) pos_ = kUtf8Bom.size();
}

int zelHtml::DetectCode() {
    if (Code != CodeUnknown) return Code;
    CodeHint = CodeEuc;
    bool borrowed = !loaded_;
    if (borrowed && !platform::ReadFileBytes(FileName, data_, Aborting)) data_.clear();
    size_t savedPos = pos_;
    pos_ = 0;
    nextCheck_ = 0;
    KanjiMode = false;
    InScript = false;
    if (std::string_view(data_).starts_with(kUtf8Bom)) Code = CodeUtf8;
    // Only the end of the page stops the search early: an empty item (such as
    // the body of <script src=...></script>) comes before many charset tags.
    std::string item;
    while (Code == CodeUnknown && !AtEnd()) {
        readRawItem(item);
        if (item.empty() || item[0] != '<') continue;
        std::string low = SjisLowerCase(item);
        if (SjisFind(low, "<meta") == std::string::npos) continue;
        size_t at = SjisFind(low, "charset");
        if (at == std::string::npos) continue;
        std::string_view rest = std::string_view(low).substr(at);
        if (SjisFind(rest, "shift_jis") != std::string::npos ||
            SjisFind(rest, "x-sjis") != std::string::npos)
            Code = CodeSjis;
        else if (SjisFind(rest, "euc-jp") != std::string::npos)
            Code = CodeEuc;
        else if (SjisFind(rest, "iso-2022-jp") != std::string::npos)
            Code = CodeJis;
        else if (SjisFind(rest, "utf-8") != std::string::npos ||
                 SjisFind(rest, "utf8") != std::string::npos)
            Code = CodeUtf8;
    }
    if (Code == CodeUnknown) Code = CodeEuc;
    KanjiMode = false;
    InScript = false;
    if (borrowed) {
        data_.clear();
        data_.shrink_to_fit();
        pos_ = 0;
    } else {
        // An abort during the search ends the page for good.
        pos_ = aborted_ ? data_.size() : savedPos;
    }
    nextCheck_ = 0;
    return Code;
}

void zelHtml::close() {
    // The page is not needed once it is cut into items.
    data_.clear();
    data_.shrink_to_fit();
    loaded_ = false;
    pos_ = 0;
}

bool zelHtml::Open(const std::string& fileName) {
    FileName = fileName;
    Code = CodeUnknown;
    std::string bytes;
    if (!platform::ReadFileBytes(fileName, bytes, Aborting)) {
        // A page that cannot be read (or whose reading was aborted) still
        // has a code: the default.
        close();
        CodeHint = CodeEuc;
        Code = CodeEuc;
        return false;
    }
    OpenBytes(std::move(bytes));
    return true;
}

void zelHtml::OpenBytes(std::string bytes) {
    Code = CodeUnknown;
    Attach(std::move(bytes));
    DetectCode();
    if (!aborted_) rewind();
}

bool zelHtml::NextItem(std::string& item) {
    if (AtEnd()) {
        close();
        return false;
    }
    readItem(item);
    return true;
}

void zelHtml::readItems(std::vector<std::string>& list) {
    list.clear();
    // Pages average well over 16 bytes an item; this spares most regrowth.
    list.reserve(data_.size() / 16);
    // Each item is read into one string and copied at its own size: no
    // look ahead for its room, and none kept beyond what it holds.
    std::string item;
    while (NextItem(item))
        list.push_back(item);
}

void zelHtml::LoadItems(const std::string& fileName, std::vector<std::string>& list) {
    list.clear();
    if (Open(fileName)) readItems(list);
}

void zelHtml::LoadItemsFromBytes(std::string bytes, std::vector<std::string>& list) {
    OpenBytes(std::move(bytes));
    readItems(list);
}

// ---- attributes and entities -----------------------------------------------

std::string zelHtml::GetAttr(std::string_view tag, std::string_view name) {
    size_t at = platform::SjisFindNoCase(tag, name);
    if (at == std::string::npos) return {};
    // "=" and quotes are below 0x40, so they are never trail bytes and a
    // plain byte search finds only real ones.
    size_t eq = tag.find('=', at + name.size());
    if (eq == std::string_view::npos) return {};
    size_t begin = eq + 1;
    int quotes = 0;
    while (begin < tag.size() && (tag[begin] == '"' || tag[begin] == ' ')) {
        quotes += tag[begin] == '"';
        ++begin;
    }
    // href="" is an empty value, not the rest of the tag.
    if (quotes >= 2) return {};
    size_t end;
    if (quotes == 1) {
        end = tag.find('"', begin);
    } else if (begin < tag.size() && tag[begin] == '\'') {
        ++begin;
        end = tag.find('\'', begin);
    } else {
        // An unquoted value ends at a blank or at the end of the tag.
        end = tag.find_first_of("\" \t>", begin);
    }
    if (end == std::string_view::npos) end = tag.size();
    return std::string(tag.substr(begin, end - begin));
}

std::string zelHtml::DecodeEntities(std::string text) {
    decodeEntities(text, nullptr);
    return text;
}
