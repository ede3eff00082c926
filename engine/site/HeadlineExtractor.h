#pragma once

// Reduces a page's items to headlines (title and link) and collects the
// further pages it points to by frames or a meta refresh. It works on plain
// lists so that a site, the headlines tool and the tests can all drive it.

#include "engine/inet/TUrl.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

class ItemTags;

class HeadlineExtractor {
public:
    // base: the URL of the page being read (links resolve against it);
    // siteUrl: the link of a headline that has none of its own. Results are
    // appended to the three lists, which must outlive the extractor.
    HeadlineExtractor(std::string base, std::string siteUrl, std::vector<std::string>& titles,
                      std::vector<std::string>& links, std::vector<std::string>& pendingUrls);

    // Extraction stops at the next item once this reads true, and the
    // reading of a page within a few kilobytes.
    void SetAborting(const std::atomic<bool>* aborting) { aborting_ = aborting; }

    // On (the default), today's pages read better: Japanese and full-width
    // stamps, a block's link from its longest anchor, <base href>, feeds and
    // the feed a front page without headlines names. Off, the rules of the
    // pages these were first written for, exactly.
    void SetExtended(bool extended) { extended_ = extended; }

    // One item after another, then Finish for the block still open (and,
    // extended, the feed the page names when it gave no headline).
    void AddItem(std::string_view item);
    void Finish();
    // AddItem for each of the list, then Finish.
    void Extract(const std::vector<std::string>& items);

    // Tests one block of text; a headline is appended and true returned.
    bool AddHeadline(std::string_view text, std::string_view link);

    // Reads the page in cacheFile item by item and extracts from it, never
    // holding more than one item; extended, a feed gives its items instead.
    // Afterwards, with debug on, the page stays and a ".txt" list of all
    // headlines so far (title, tab, link, CR LF) is written beside it;
    // otherwise the page is deleted. A missing file does nothing.
    void ExtractFile(const std::string& cacheFile, bool debug);

    // Past this many bytes of run-on cell text, cell ends stop testing the
    // text for a stamp (the block end still does): a table of thousands of
    // cells without stamps would otherwise be tested over and over.
    static constexpr size_t kCellTestLimit = 2048;
    // A block's text stops growing here; what follows is dropped. No
    // headline comes near it, and a page of one endless block must not be
    // copied over and over.
    static constexpr size_t kMaxBlockBytes = 1024 * 1024;
    // Anchors of one block whose text can be left out of its title; later
    // ones stay in it.
    static constexpr size_t kMaxBlockAnchors = 256;
    // Extended: a headline without a link of its own reads like one, not
    // like a paragraph of news.
    static constexpr size_t kMaxUnlinkedChars = 80;

private:
    struct Span {
        size_t start, end; // bytes of text_
    };

    void appendText(std::string_view line);
    bool addHeadline(std::string_view text, std::string_view link, const Span* keep);
    // Tests the block collected so far with its link.
    bool addBlock();
    void clearBlock();
    void openAnchor(std::string_view tag);
    void closeAnchor();
    // Extended: headings, sections and time elements (see the source).
    bool readStructure(const ItemTags& tags, std::string_view line);
    // A block that holds no headline yet runs on past a heading or section
    // end, unless the section that held its heading has closed.
    void endSection(bool heading);
    // At a paragraph's end: a linked heading still without its stamp drops
    // the one paragraph after it (a card's summary) and waits on.
    bool skipSummary();
    // At a time element: a link right before it, after a linked heading
    // that waits for its stamp, is the card's category, no part of the
    // headline; a heading that gave way to it comes back.
    void dropCategory();
    const std::string& headingLink() const {
        return heading_.anchorOpen ? heading_.openLink : heading_.longest.link;
    }
    // At a paragraph's end without a headline: a paragraph that is one link
    // and nothing else may be a card's title, dated by the block after it.
    void waitForDate(bool afterDate);
    void openTime(std::string_view tag);
    void closeTime();
    // The space that parts a heading or a section from what follows it.
    void flushSeparator();
    void readBase(std::string_view tag);
    void readFeedLink(std::string_view tag);
    bool aborting() const { return aborting_ && aborting_->load(std::memory_order_relaxed); }

    std::string base_;
    TUrl baseUrl_; // base_, cracked once for every link on the page
    std::string siteUrl_;
    std::vector<std::string>& titles_;
    std::vector<std::string>& links_;
    std::vector<std::string>& pendingUrls_;
    const std::atomic<bool>* aborting_ = nullptr;
    bool extended_ = true;
    size_t titlesAtStart_;
    bool baseSet_ = false;
    std::string feedUrl_; // the first feed the page names, cleaned

    // The block being collected.
    std::string text_;
    std::string link_; // exact rules: the last anchor's
    // Extended: the anchor still open, the one with the longest text so
    // far (first on a tie) and where every anchor's text lies.
    bool anchorOpen_ = false;
    std::string openLink_;
    size_t openStart_ = 0;
    static constexpr size_t kUncounted = static_cast<size_t>(-1);
    struct Longest {
        bool has = false;
        bool inTime = false; // the date of a time element
        std::string link;
        Span span{};
        size_t chars = kUncounted;
    };
    Longest longest_;
    std::vector<Span> anchors_;
    // Extended: sections open, a space owed, and the block as its heading
    // left it, while the heading waits for its stamp.
    int sectionDepth_ = 0;
    bool separatorOwed_ = false;
    bool headingPending_ = false;
    struct Heading {
        int depth = 0;
        size_t end = 0, anchors = 0;
        Longest longest;
        bool anchorOpen = false;
        std::string openLink;
        size_t openStart = 0;
        bool summarySkipped = false;
    };
    Heading heading_;
    // The block as it stood when a link elsewhere took the heading's place.
    struct Displaced {
        bool valid = false;
        std::string text;
        std::vector<Span> anchors;
        Longest longest;
    };
    Displaced displaced_;
    // A card's title in a paragraph of its own, until the next block tested.
    struct WaitingTitle {
        bool valid = false;
        std::string text, link;
    };
    WaitingTitle waitingTitle_;
    // A section that held a date alone: the text of the next one is dated
    // by it, not by the date that follows.
    bool leadingDate_ = false;
    bool rejectedAsDate_ = false; // the block last tested was a date alone
    size_t itemMarkEnd_ = 0;      // end of the list item's bullet or number
    // The time element open and its datetime as a stamp; the last one's text.
    bool timeOpen_ = false;
    size_t timeStart_ = 0;
    std::string timeStamp_;
    bool hasTimeSpan_ = false;
    Span timeSpan_{};
    std::string rest_; // a headline's text beside its stamp; its room serves the next
    bool inBody_ = false;
    int scriptDepth_ = 0;
    int olNumber_ = 0;
};

// The ".txt" list of headlines: title, tab, link, CR LF each, in Shift_JIS.
bool WriteHeadlineList(const std::string& path, const std::vector<std::string>& titles,
                       const std::vector<std::string>& links);
