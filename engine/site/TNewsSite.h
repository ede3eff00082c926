#pragma once

// One news site: its name, front-page URL, update interval and the
// headlines last found on it. A site updates itself: the page is fetched and
// its headlines extracted on a download thread; the update ends on the
// thread that owns the site, through a hidden message window of its own.

#include "engine/inet/TDownloadThread.h"
#include "platform/messages/MessageWindow.h"

#include <QDateTime>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class TNewsSite;

// How a site's updates went, for the user: when the last one was tried and
// how it ended (its headline count, or why it failed), and when one last gave
// headlines. Times are invalid until then.
struct SiteStatus {
    QDateTime attempted;
    QDateTime succeeded;
    int headlines = 0;
    std::string failure; // English, "" after an update that gave headlines
};

// The status in a line (Shift_JIS): "見出し 23 件（12/9(水) 13:25）", or the
// failure with when the site last gave headlines; "未取得" before any.
std::string StatusText(const SiteStatus& status);

// What every site of one list shares: where cache files go, and the
// engine's "Debug" and "Extraction" settings (read on download threads).
struct SiteEnvironment {
    std::string pluginDir; // Shift_JIS, with or without a trailing slash
    std::atomic<bool> debug{false};
    std::atomic<bool> extended{true}; // the extended extraction rules
    // Main thread only. Sites with the same name share a cache file: one
    // writes it at a time, the others wait their turn in order.
    std::map<std::string, TNewsSite*> cacheWriters;
    std::vector<TNewsSite*> cacheWaiting;
};

class TNewsSite {
public:
    explicit TNewsSite(std::shared_ptr<SiteEnvironment> environment);
    ~TNewsSite();
    TNewsSite(const TNewsSite&) = delete;
    TNewsSite& operator=(const TNewsSite&) = delete;

    std::string GetTitle(int index) const;
    std::string GetLink(int index) const;

    void Tick(int minutes);
    // Starts an update now; false when busy, without a URL or offline. While
    // another site writes the same cache file the download waits for it.
    bool Update();
    // Any download under way or waiting fails at once; the site is still
    // destroyed by its owner. Lets a long list go without waiting for each
    // transfer in turn.
    void Abort();

    // One update fetches each page once, and this many pages at most.
    static constexpr int kMaxPages = 32;
    // Nor does it start another page after this long, so that a site whose
    // server trickles cannot hold back every other update for an hour.
    static inline std::atomic<int64_t> UpdateTimeLimitMs{5 * 60 * 1000};

    // The cache file an update of this site writes: the plug-in folder plus
    // the name (made safe as a file name) with the extension ".html".
    std::string CacheFileName() const;

    std::unique_ptr<platform::MessageWindow> Window;
    std::unique_ptr<TDownloadThread> Thread;
    bool Busy = false;
    std::atomic<bool> Aborting{false};
    std::string CacheFile;
    std::vector<std::string> Titles;
    std::vector<std::string> Links;
    std::function<void(TNewsSite* sender)> OnUpdated;
    std::unique_ptr<std::vector<std::string>> PendingURLs;
    bool Enabled = true;
    std::string Name;
    std::string URL;
    int Interval = 0;
    int Countdown = 0;

    // Beyond the original, for the headlines tool: the error of the last
    // failed transfer of an update (0 when every page came) and its URL,
    // and progress events (kinds 1 to 3) as they happen, on the download
    // thread.
    uint32_t LastError = 0;
    std::string FailedURL;
    SiteStatus Status;
    // Where a change of the status to a failure, or back, is told: one line
    // a change, never one an update. Stderr unless set.
    static inline std::function<void(const std::string& utf8Line)> StatusLine;
    std::function<void(TNewsSite* sender, uint8_t kind, int32_t value)> OnProgress;

private:
    // What one page's download thread reads and writes: copies taken when
    // it starts, handed back when it has ended.
    struct Page {
        std::string cacheFile;
        std::string siteUrl;
        std::vector<std::string> titles; // the headlines so far, then this page's
        std::vector<std::string> links;
        std::vector<std::string> pending; // pages this one names
        bool notModified = false;         // the server answered 304
    };
    struct Headlines {
        std::vector<std::string> titles;
        std::vector<std::string> links;
    };
    using Validators = std::pair<std::string, std::string>; // ETag, Last-Modified

    platform::LRESULT completion(uint32_t message, platform::WPARAM wParam,
                                 platform::LPARAM lParam);
    void startThread(const std::string& url, bool useCache);
    void listener(TDownloadThread* thread, Page& page, uint8_t kind, int32_t value);
    void begin();
    // The next pending page, or "" when none may follow.
    std::string nextPage();
    void finish();
    void noteStatus();
    bool claimCacheFile();
    void releaseCacheFile();

    std::shared_ptr<SiteEnvironment> environment_;
    unsigned serial_; // names the cache file of a nameless site
    std::unique_ptr<Page> page_;
    std::set<std::string> seen_; // pages this update fetched or queued, cleaned
    int pages_ = 0;              // pages this update started
    // When this update's first page was taken up by a worker.
    std::optional<std::chrono::steady_clock::time_point> started_;
    // The front page's validators from the last update, when it alone gave
    // the headlines; and those headlines (without the header line), kept
    // aside while an update asks whether the page has changed.
    Validators validators_;
    Headlines kept_;
};

// "m/d(ddd) hh:nn" with the system locale's short day name, Shift_JIS: the
// clock of the tickers and of the sites' header lines.
std::string ClockText(const QDateTime& time);

// The header line of an updated site: "m/d(ddd) hh:nn - name - " in the
// system locale's short day names.
std::string SiteHeader(const std::string& name);
