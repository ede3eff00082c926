#pragma once

// The page reader: cuts an HTML file into a flat list of items (a whole tag,
// a comment, a script body or a run of text), decoded to Shift_JIS with the
// page's code worked out on the way. No tree, no validation.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class zelHtml {
public:
    enum : uint8_t { CodeUnknown = 0, CodeSjis = 1, CodeEuc = 2, CodeJis = 3, CodeUtf8 = 4 };

    // Clears list and fills it with the file's items in order. A file that
    // cannot be read gives no items.
    void LoadItems(const std::string& fileName, std::vector<std::string>& list);
    // The same over a page already in memory.
    void LoadItemsFromBytes(std::string bytes, std::vector<std::string>& list);

    // Item by item, for readers that need only one at a time: Open (false
    // when the file cannot be read) or OpenBytes, then NextItem until it
    // returns false.
    bool Open(const std::string& fileName);
    void OpenBytes(std::string bytes);
    bool NextItem(std::string& item);

    // Once this reads true the page ends where the reader stands; it is
    // looked at after every kAbortCheckBytes of input at most.
    const std::atomic<bool>* Aborting = nullptr;
    static constexpr size_t kAbortCheckBytes = 64 * 1024;
    // An item longer than this is cut short (the rest of it is read past,
    // never held): nothing a page holds needs more, and later steps copy
    // items whole.
    static constexpr size_t kMaxItemBytes = 1024 * 1024;

    // The page's code (1 to 4), worked out once from FileName or the page in
    // memory; 2 (EUC-JP) when nothing tells.
    int DetectCode();

    // Value of attribute name (lower case) in a tag item; "" when absent.
    static std::string GetAttr(std::string_view tag, std::string_view name);
    static std::string DecodeEntities(std::string text);

    // The decoder and item reader over a page set with Attach. Public so that
    // they can be tested on their own.
    void Attach(std::string bytes);
    uint16_t ReadChar();
    std::string ReadItem();
    bool AtEnd() const { return pos_ >= data_.size(); }
    // Bytes of the page read so far.
    size_t Position() const { return pos_; }

    std::string FileName;
    uint8_t Code = CodeUnknown;
    // Code assumed for bytes that fit both Shift_JIS and EUC-JP while Code is
    // unknown: 2 means EUC-JP, anything else Shift_JIS.
    uint8_t CodeHint = 0;
    bool KanjiMode = false;
    bool InScript = false;

private:
    struct Mark {
        size_t pos;
        bool kanji;
    };
    Mark mark() const { return {pos_, KanjiMode}; }
    void stepBack(Mark m) {
        pos_ = m.pos;
        KanjiMode = m.kanji;
    }

    uint16_t readCharSlow();
    uint16_t readSjis(unsigned char lead);
    uint16_t readEuc(unsigned char lead);
    uint16_t readUtf8(unsigned char lead);
    void readEscape();
    bool readTrail(unsigned char& trail);
    bool follows(std::string_view ascii, bool ignoreCase = false);

    // Which ASCII bytes end a bulk-copied run inside text or a tag.
    using StopSet = bool[128];
    void copyPlainRun(std::string& out, const StopSet& stops);
    void readRawItem(std::string& item);
    void readItem(std::string& item);
    // What an item keeps while it is read: the most it may hold and the
    // bytes that tell where a character cut there ends.
    static constexpr size_t kKeptItemBytes = kMaxItemBytes + 2;
    static void capItem(std::string& item) {
        if (item.size() > kKeptItemBytes) item.resize(kKeptItemBytes);
    }
    void readQuotedTail(char quote, std::string& item);
    void readTagTail(std::string& item);
    void readCommentTail(std::string& item);
    void readScriptBody(std::string& body);
    void readItems(std::vector<std::string>& list);
    void rewind();
    void close();
    // Every loop over the page calls this: it ends the page early on abort.
    void checkAbort() {
        if (pos_ >= nextCheck_) pollAbort();
    }
    void pollAbort();
    bool loaded_ = false;

    std::string data_;
    size_t pos_ = 0;
    size_t nextCheck_ = 0;
    bool aborted_ = false;
};

inline uint16_t zelHtml::ReadChar() {
    if (pos_ >= data_.size()) return 0;
    auto c = static_cast<unsigned char>(data_[pos_]);
    // Plain ASCII reads the same in every code; ESC and bytes inside a
    // two-byte JIS run do not.
    if (c < 0x80 && c != 0x1B && !KanjiMode) {
        ++pos_;
        return c;
    }
    return readCharSlow();
}
