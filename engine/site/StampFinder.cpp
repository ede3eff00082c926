#include "engine/site/StampFinder.h"

#include "platform/text/SjisString.h"

#include <cstdint>
#include <vector>

namespace {

using Char = uint16_t;

// The tail scan has no closing bracket: its "partner" is the end of the text.
constexpr Char kEndOfText = 0xFFFF;
constexpr Char kHour = 0x8E9E;   // 時
constexpr Char kMinute = 0x95AA; // 分

struct Bracket {
    Char open, close;
};
constexpr Bracket kBrackets[] = {
    {'(', ')'},       {'<', '>'}, {'[', ']'}, {0x8169, 0x816A}, // （）
    {0x816D, 0x816E},                                           // ［］
    {0x8171, 0x8172},                                           // 〈〉
    {0x8183, 0x8184},                                           // ＜＞
};

Char partnerOf(Char c) {
    // Only "(", "<", "[" and full-width brackets (lead byte 0x81) open a group.
    if (c < 0x100 ? (c != '(' && c != '<' && c != '[') : (c >> 8) != 0x81) return 0;
    for (const Bracket& b : kBrackets)
        if (b.open == c) return b.close;
    return 0;
}

bool isDigit(Char c) {
    return c >= '0' && c <= '9';
}

class Scanner {
public:
    Scanner(std::string_view s, const std::atomic<bool>* abort) : s_(s), abort_(abort) { load(); }

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
    bool number(long& value) {
        if (!isDigit(peek())) return false;
        value = 0;
        while (isDigit(peek())) {
            // Any length is a number; only the range matters.
            if (value < 1000000) value = value * 10 + (peek() - '0');
            next();
        }
        return true;
    }

    // At a digit: reads a number and what follows it. True for a valid
    // stamp. A number followed by anything else leaves that character
    // unread, to be examined again.
    bool stamp() {
        long first = 0;
        number(first);
        Char c = peek();
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
    }

    std::string_view s_;
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
    open.assign(1, Frame{partner});
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
                    if ((f.partner == kEndOfText && in.atEnd()) || in.peek() == f.partner)
                        f.stampAtPartner = true;
                }
                continue;
            }
            if (Char p = partnerOf(c)) {
                in.next();
                open.push_back({p});
                continue;
            }
            in.next();
            if (c != f.partner) continue;
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

} // namespace

std::optional<StampMatch> FindStamp(std::string_view s, const std::atomic<bool>* abort) {
    Scanner in(s, abort);
    ScanBuffers buffers;
    buffers.open.reserve(8);
    while (!in.atEnd()) {
        if (in.aborted()) return std::nullopt;
        size_t start = in.pos();
        Char c = in.peek();
        if (Char partner = partnerOf(c)) {
            in.next();
            if (scanGroup(in, partner, buffers, false)) return StampMatch{start, in.pos() - start};
            continue;
        }
        if (isDigit(c)) {
            if (scanGroup(in, kEndOfText, buffers, true))
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
