#include "engine/site/StampFinder.h"

#include "platform/text/SjisString.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using Char = uint16_t;

// The tail scan has no closing bracket: its "partner" is the end of the text.
constexpr Char kEndOfText = 0xFFFF;
constexpr Char kHour = 0x8E9E;   // 時
constexpr Char kMinute = 0x95AA; // 分
constexpr Char kYear = 0x944E;   // 年
constexpr Char kMonth = 0x8C8E;  // 月
constexpr Char kDay = 0x93FA;    // 日

// The partner of an opening bracket: ( < [ （ ［ 〈 ＜, and extended also
// 【 〔 《, which today's pages date a headline in; 0 for any other character.
Char partnerOf(Char c, bool extended) {
    switch (c) {
    case '(':
        return ')';
    case '<':
        return '>';
    case '[':
        return ']';
    case 0x8169: // （）
    case 0x816D: // ［］
    case 0x8171: // 〈〉
    case 0x8183: // ＜＞
        return static_cast<Char>(c + 1);
    case 0x8179: // 【】
    case 0x816B: // 〔〕
    case 0x8173: // 《》
        return extended ? static_cast<Char>(c + 1) : 0;
    default:
        return 0;
    }
}

// The closing bracket of the other width: pages mix them, as in "（01:11)".
Char otherWidthOf(Char close) {
    switch (close) {
    case ')':
        return 0x816A;
    case ']':
        return 0x816E;
    case '>':
        return 0x8184;
    case 0x816A:
        return ')';
    case 0x816E:
        return ']';
    case 0x8172:
    case 0x8184:
        return '>';
    default:
        return close;
    }
}

// Full-width digits, "／" and "：" read like their ASCII forms.
Char narrowed(Char c) {
    if (c >= 0x824F && c <= 0x8258) return static_cast<Char>('0' + (c - 0x824F));
    if (c == 0x815E) return '/';
    if (c == 0x8146) return ':';
    return c;
}

// Words that may follow the stamp that ends a block: 配信, 更新, 発表.
constexpr std::string_view kTrailingWords[] = {"\x94\x7A\x90\x4D", "\x8D\x58\x90\x56",
                                               "\x94\xAD\x95\x5C"};

bool isDigit(Char c) {
    return c >= '0' && c <= '9';
}

class Scanner {
public:
    Scanner(std::string_view s, bool extended, bool dotted, const std::atomic<bool>* abort)
        : s_(s), extended_(extended), dotted_(extended && dotted), abort_(abort) {
        load();
    }

    bool extended() const { return extended_; }

    // True once the abort flag reads true; looked at every 64 KB of text.
    bool aborted() {
        if (stopped_ || !abort_ || pos_ < nextCheck_) return stopped_;
        nextCheck_ = pos_ + 64 * 1024;
        stopped_ = abort_->load(std::memory_order_relaxed);
        return stopped_;
    }

    size_t pos() const { return pos_; }
    void seek(size_t pos) {
        pos_ = pos;
        load();
    }
    bool atEnd() const { return pos_ >= s_.size(); }
    size_t size() const { return s_.size(); }

    // The character here (0 at the end), decoded once per position.
    Char peek() const { return current_; }
    void next() {
        if (atEnd()) return;
        pos_ += length_;
        load();
    }

    // Reads a decimal number; false (nothing read) when no digit is here.
    bool number(long& value, int* digits = nullptr) {
        if (!isDigit(peek())) return false;
        value = 0;
        int count = 0;
        for (; isDigit(peek()); ++count) {
            // Any length is a number; only the range matters.
            if (value < 1000000) value = value * 10 + (peek() - '0');
            next();
        }
        if (digits) *digits = count;
        return true;
    }

    // At a digit: reads a number and what follows it. True for a valid
    // stamp. A number followed by anything else leaves that character
    // unread, to be examined again.
    bool stamp() {
        long first = 0;
        int digits = 0;
        number(first, &digits);
        Char c = peek();
        // Extended: a date in dots after a year of four digits (2018.03.17);
        // a shorter first number would take decimals and versions for dates.
        if (dotted_ && c == '.' && digits == 4) {
            size_t dot = pos();
            next();
            long month = 0, day = 0;
            if (number(month) && peek() == '.') {
                next();
                if (number(day)) return month >= 1 && month <= 12 && day >= 1 && day <= 31;
            }
            // Not such a date: the dot is looked at again, as after any number.
            seek(dot);
            return false;
        }
        if (c == '/') {
            next();
            long second = 0, third = 0;
            if (!number(second)) return false;
            long month = first, day = second;
            if (peek() == '/') {
                next();
                if (!number(third)) return false;
                month = second;
                day = third;
            }
            return month >= 1 && month <= 12 && day >= 1 && day <= 31;
        }
        if (c == ':') {
            next();
            long minute = 0, seconds = 0;
            if (!number(minute)) return false;
            if (peek() == ':') {
                next();
                number(seconds);
            }
            return first <= 23 && minute <= 59;
        }
        if (c == kHour) {
            next();
            long minute = 0;
            if (!number(minute) || peek() != kMinute) return false;
            next();
            return first <= 23 && minute <= 59;
        }
        if (extended_ && c == kYear) {
            next();
            if (!number(first)) return false;
            c = peek();
            if (c != kMonth) return false;
        }
        if (extended_ && c == kMonth) {
            next();
            long day = 0;
            if (!number(day) || peek() != kDay) return false;
            next();
            return first >= 1 && first <= 12 && day >= 1 && day <= 31;
        }
        return false;
    }

    // At the end of the text, or (extended) before nothing but spaces and
    // one of the words a block may end with after its stamp.
    bool atTextEnd() const {
        if (atEnd()) return true;
        if (!extended_) return false;
        std::string_view rest = s_.substr(pos_);
        while (!rest.empty() && (rest[0] == ' ' || rest.starts_with("\x81\x40")))
            rest.remove_prefix(rest[0] == ' ' ? 1 : 2);
        for (std::string_view word : kTrailingWords)
            if (rest == word) return true;
        return false;
    }

private:
    void load() {
        if (atEnd()) {
            current_ = 0;
            length_ = 0;
            return;
        }
        auto b = static_cast<unsigned char>(s_[pos_]);
        length_ = platform::SjisCharLength(s_, pos_);
        current_ =
            length_ == 2 ? static_cast<Char>(b << 8 | static_cast<unsigned char>(s_[pos_ + 1])) : b;
        if (extended_ && length_ == 2) current_ = narrowed(current_);
    }

    std::string_view s_;
    bool extended_;
    bool dotted_;
    const std::atomic<bool>* abort_;
    size_t nextCheck_ = 0;
    bool stopped_ = false;
    size_t pos_ = 0;
    Char current_ = 0;
    size_t length_ = 0;
};

// Walks a group up to its partner (or the end of the text), nested groups
// included. Iterative: a page can hold thousands of open brackets in a row.
//
// A tail scan's outcome depends only on where its outermost level stands:
// from there on it walks exactly as any other tail scan standing there. So
// the positions a failed tail scan passed through are recorded in failed,
// and a later scan that reaches one fails at once; every text is then walked
// a bounded number of times however many numbers it holds.
struct Frame {
    Char partner;
    Char otherPartner;           // the partner of the other width, or partner itself
    bool seen = false;           // a stamp somewhere in the group
    bool stampAtPartner = false; // a stamp directly followed by the partner
};

// Buffers one FindStamp call reuses for all its group scans.
struct ScanBuffers {
    std::vector<Frame> open;
    std::vector<size_t> visited;
    std::vector<char> failedTails; // sized by the first tail scan
};

bool scanGroup(Scanner& in, Char partner, ScanBuffers& buffers, bool tail) {
    std::vector<Frame>& open = buffers.open;
    std::vector<size_t>& visited = buffers.visited;
    std::vector<char>* failed = tail ? &buffers.failedTails : nullptr;
    open.assign(1, Frame{partner, in.extended() ? otherWidthOf(partner) : partner});
    visited.clear();
    while (true) {
        if (in.aborted()) return false;
        Frame& f = open.back();
        if (failed && open.size() == 1 && !in.atEnd()) {
            if (failed->empty()) failed->resize(in.size() + 1, 0);
            if ((*failed)[in.pos()]) {
                for (size_t v : visited)
                    (*failed)[v] = 1;
                return false;
            }
            visited.push_back(in.pos());
        }
        bool closed;
        bool result;
        if (in.atEnd()) {
            closed = true;
            result = f.stampAtPartner;
        } else {
            Char c = in.peek();
            if (isDigit(c)) {
                if (in.stamp()) {
                    f.seen = true;
                    if (f.partner == kEndOfText
                            ? in.atTextEnd()
                            : in.peek() == f.partner || in.peek() == f.otherPartner)
                        f.stampAtPartner = true;
                }
                continue;
            }
            if (Char p = partnerOf(c, in.extended())) {
                in.next();
                open.push_back({p, in.extended() ? otherWidthOf(p) : p});
                continue;
            }
            in.next();
            if (c != f.partner && c != f.otherPartner) continue;
            closed = true;
            result = f.seen;
        }
        if (closed) {
            open.pop_back();
            if (open.empty()) {
                if (failed && !result)
                    for (size_t v : visited)
                        (*failed)[v] = 1;
                return result;
            }
            if (result) open.back().seen = true;
        }
    }
}

// From a character boundary, the first character at which the walk can
// find anything: a digit or an opening bracket. The characters in between
// are stepped over here, without being decoded one by one.
size_t skipPlain(std::string_view s, size_t i, bool extended) {
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if (isDigit(b) || b == '(' || b == '<' || b == '[') return i;
            ++i;
        } else if (platform::IsSjisLeadByte(b) && i + 1 < s.size()) {
            // Full-width brackets lead with 0x81, full-width digits with 0x82.
            auto trail = static_cast<unsigned char>(s[i + 1]);
            if (b == 0x81 && partnerOf(static_cast<Char>(b << 8 | trail), extended) != 0) return i;
            if (b == 0x82 && extended && trail >= 0x4F && trail <= 0x58) return i;
            i += 2;
        } else {
            ++i;
        }
    }
    return i;
}

// A tail scan succeeds only where a stamp ends the text (before the spaces
// and word that may follow it): on a digit, ":", 分 or 日. Titles that hold a
// number but end otherwise are spared a scan from each of their numbers.
bool mayEndInStamp(std::string_view s, bool extended) {
    if (extended) {
        for (std::string_view word : kTrailingWords)
            if (s.ends_with(word)) {
                s.remove_suffix(word.size());
                break;
            }
        while (!s.empty() && (s.back() == ' ' || s.ends_with("\x81\x40")))
            s.remove_suffix(s.back() == ' ' ? 1 : 2);
    }
    if (s.empty()) return false;
    auto last = static_cast<unsigned char>(s.back());
    if (isDigit(last) || last == ':') return true;
    if (s.size() < 2) return false;
    auto pair = static_cast<Char>(static_cast<unsigned char>(s[s.size() - 2]) << 8 | last);
    if (pair == kMinute) return true;
    return extended && (pair == kDay || isDigit(narrowed(pair)) || narrowed(pair) == ':');
}

// Shift_JIS characters and words that, with digits and ASCII punctuation,
// make up a date and nothing more.
// Date and time units, weekdays, 元 (an era's first year), 付 (dated):
// 年月日時分秒曜火水木金土元付
constexpr uint16_t kDateUnits[] = {
    0x944E, 0x8C8E, 0x93FA, 0x8E9E, 0x95AA, 0x9562, 0x976A,
    0x89CE, 0x9085, 0x96D8, 0x8BE0, 0x9379, 0x8CB3, 0x9574,
};
// Spaces, brackets and punctuation: 　（）［］【】〔〕《》〈〉＜＞、。・：／－，．
// and the other bullets a list item starts with, ○ and ■.
constexpr uint16_t kDatePunctuation[] = {
    0x8140, 0x8169, 0x816A, 0x816D, 0x816E, 0x8179, 0x817A, 0x816B, 0x816C,
    0x8173, 0x8174, 0x8171, 0x8172, 0x8183, 0x8184, 0x8141, 0x8142, 0x8145,
    0x8146, 0x815E, 0x817C, 0x8143, 0x8144, 0x819B, 0x81A1,
};
// Eras, morning and afternoon, "as of", "updated", "delivered" and the
// like, two characters each.
constexpr uint32_t kDateWords[] = {
    0x95BD90AC, // 平成
    0x97DF9861, // 令和
    0x8FBA9861, // 昭和
    0x91E590B3, // 大正
    0x96BE8EA1, // 明治
    0x8CDF914F, // 午前
    0x8CDF8CE3, // 午後
    0x8CBB8DDD, // 現在
    0x8D589056, // 更新
    0x8DC58F49, // 最終
    0x947A904D, // 配信
    0x94AD955C, // 発表
    0x8C668DDA, // 掲載
    0x8CF68A4A, // 公開
    0x967B93FA, // 本日
    0x8DA193FA, // 今日
};

bool holds(const auto& set, uint32_t c) {
    return std::find(std::begin(set), std::end(set), c) != std::end(set);
}

} // namespace

std::optional<StampMatch> FindStamp(std::string_view s, bool extended,
                                    const std::atomic<bool>* abort, bool dotted) {
    Scanner in(s, extended, dotted, abort);
    ScanBuffers buffers;
    bool tails = mayEndInStamp(s, extended);
    while (!in.atEnd()) {
        if (in.aborted()) return std::nullopt;
        if (size_t next = skipPlain(s, in.pos(), extended); next != in.pos()) {
            in.seek(next);
            if (in.atEnd()) break;
        }
        size_t start = in.pos();
        Char c = in.peek();
        if (Char partner = partnerOf(c, extended)) {
            in.next();
            if (scanGroup(in, partner, buffers, false)) return StampMatch{start, in.pos() - start};
            continue;
        }
        if (isDigit(c)) {
            if (tails && scanGroup(in, kEndOfText, buffers, true))
                return StampMatch{start, s.size() - start};
            // Not a stamp that ends the text: go on after this number.
            in.seek(start);
            long skipped;
            in.number(skipped);
            continue;
        }
        in.next();
    }
    return std::nullopt;
}

bool IsDateOnly(std::string_view rest) {
    auto pairAt = [&](size_t i) -> uint32_t {
        return i + 1 < rest.size() ? static_cast<unsigned char>(rest[i]) << 8 |
                                         static_cast<unsigned char>(rest[i + 1])
                                   : 0;
    };
    bool dateWords = false, digits = false;
    for (size_t i = 0; i < rest.size();) {
        auto c = static_cast<unsigned char>(rest[i]);
        if (!platform::IsSjisLeadByte(c)) {
            digits = digits || (c >= '0' && c <= '9');
            if (!(c >= '0' && c <= '9') &&
                std::string_view(" \t/:.-,()[]<>").find(static_cast<char>(c)) ==
                    std::string_view::npos)
                return false;
            ++i;
            continue;
        }
        uint32_t pair = pairAt(i);
        if (pair >= 0x824F && pair <= 0x8258) {
            i += 2; // full-width digits
            digits = true;
        } else if (holds(kDatePunctuation, pair)) {
            i += 2;
        } else if (holds(kDateUnits, pair)) {
            i += 2;
            dateWords = true;
        } else if (holds(kDateWords, pair << 16 | pairAt(i + 2))) {
            i += 4;
            dateWords = true;
        } else {
            return false;
        }
    }
    return dateWords || !digits;
}
