#include "engine/site/TNewsSite.h"

#include "engine/inet/TUrl.h"
#include "engine/site/HeadlineExtractor.h"
#include "platform/errors/LastError.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/inet/Internet.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <QDateTime>
#include <QLocale>

#include <cstdio>

namespace {

std::atomic<unsigned> nextSerial{1};

// A site's name as one file name in the plug-in folder: separators,
// control characters and ".." could otherwise reach outside it. Two-byte
// characters stay as they are (a trail byte may look like a backslash).
std::string safeFileName(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size();) {
        size_t length = platform::SjisCharLength(name, i);
        char c = name[i];
        bool unsafe =
            length == 1 && (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 ||
                            (c == '.' && (i == 0 || name.substr(i).starts_with("..") ||
                                          (i > 0 && name[i - 1] == '.'))));
        out += unsafe ? std::string("_") : std::string(name.substr(i, length));
        i += length;
    }
    return out;
}

// Longest file name the file system takes, in its own bytes.
constexpr size_t kMaxNativeName = 255;
// How much of a name a short cache name keeps, in Shift_JIS bytes.
constexpr size_t kShortPrefix = 40;

uint64_t fnv1a(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

// The cache file's name for a site's name. A plain name keeps the name
// stored pages have always had; one that would lose a part to the
// extension, that had to be made safe or that is too long gets a short name
// of its own, the same in every session. It always holds a dot, which no
// plain one does, so the two kinds never meet.
std::string cacheName(std::string_view name) {
    std::string safe = safeFileName(name);
    std::string plain = safe + ".html";
    if (safe == name && safe.find('.') == std::string::npos &&
        platform::NativePath(plain).size() <= kMaxNativeName)
        return plain;
    size_t cut = 0;
    while (cut < safe.size()) {
        size_t length = platform::SjisCharLength(safe, cut);
        if (cut + length > kShortPrefix) break;
        cut += length;
    }
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(name)));
    return safe.substr(0, cut) + "." + hash + ".html";
}

} // namespace

std::string ClockText(const QDateTime& time) {
    QDate date = time.date();
    QTime clock = time.time();
    QString stamp = QStringLiteral("%1/%2(%3) %4:%5")
                        .arg(date.month())
                        .arg(date.day())
                        .arg(QLocale::system().dayName(date.dayOfWeek(), QLocale::ShortFormat))
                        .arg(clock.hour(), 2, 10, QLatin1Char('0'))
                        .arg(clock.minute(), 2, 10, QLatin1Char('0'));
    return platform::Utf16ToSjis(stamp.toStdU16String());
}

std::string SiteHeader(const std::string& name) {
    return ClockText(QDateTime::currentDateTime()) + " - " + name + " - ";
}

TNewsSite::TNewsSite(std::shared_ptr<SiteEnvironment> environment)
    : environment_(std::move(environment)), serial_(nextSerial++) {
    Window = std::make_unique<platform::MessageWindow>(
        [this](uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam) {
            return completion(message, wParam, lParam);
        });
}

TNewsSite::~TNewsSite() {
    // The order matters: the extraction sees Aborting, the thread's
    // destructor aborts the transfer and waits, a site waiting for the cache
    // file gets its turn, and only then does the window (and any completion
    // message queued for it) go.
    Aborting = true;
    Thread.reset();
    PendingURLs.reset();
    releaseCacheFile();
    Window.reset();
}

void TNewsSite::Abort() {
    Aborting = true;
    if (Thread) Thread->Abort();
}

std::string TNewsSite::GetTitle(int index) const {
    return index >= 0 && index < static_cast<int>(Titles.size()) ? Titles[index] : std::string();
}

std::string TNewsSite::GetLink(int index) const {
    return index >= 0 && index < static_cast<int>(Links.size()) ? Links[index] : std::string();
}

void TNewsSite::Tick(int minutes) {
    if (Interval == 0 && Countdown < 0) return;
    Countdown += minutes;
    if (Countdown >= Interval && Update()) Countdown = Interval != 0 ? 0 : -1;
}

std::string TNewsSite::CacheFileName() const {
    std::string name = Name.empty() ? std::to_string(serial_) + ".html" : cacheName(Name);
    return platform::IncludeTrailingPathDelimiter(environment_->pluginDir) + name;
}

bool TNewsSite::Update() {
    if (Busy || URL.empty() || !platform::InternetAttemptConnect()) return false;
    Busy = true;
    Countdown = 0;
    CacheFile = CacheFileName();
    if (!PendingURLs) PendingURLs = std::make_unique<std::vector<std::string>>();
    Thread.reset();
    // Kept aside for an answer that the page has not changed; cleared before
    // the thread starts: a fast extraction would otherwise have its
    // headlines cleared behind it.
    kept_ = {};
    if (!validators_.first.empty() || !validators_.second.empty()) {
        kept_.titles = std::move(Titles);
        kept_.links = std::move(Links);
        // Without the header line: the update writes its own.
        if (!kept_.titles.empty() && !kept_.links.empty()) {
            kept_.titles.erase(kept_.titles.begin());
            kept_.links.erase(kept_.links.begin());
        }
    }
    Titles.clear();
    Links.clear();
    LastError = 0;
    FailedURL.clear();
    if (claimCacheFile()) begin();
    return true;
}

void TNewsSite::begin() {
    seen_ = {CleanURL(URL)};
    pages_ = 0;
    started_.reset();
    startThread(URL, false);
}

void TNewsSite::startThread(const std::string& url, bool useCache) {
    // The thread works on copies: the user interface may change the site
    // while the page is on its way.
    page_ = std::make_unique<Page>();
    page_->cacheFile = CacheFile;
    page_->siteUrl = URL;
    page_->titles = Titles;
    page_->links = Links;
    ++pages_;
    Thread = std::make_unique<TDownloadThread>();
    Thread->UseCache = useCache;
    // The update's time limit holds for the page under way too. It counts
    // from when the first page was taken up: with thousands of sites, a
    // site may wait its turn longer than that.
    std::chrono::milliseconds limit(UpdateTimeLimitMs.load());
    if (started_)
        Thread->Deadline = *started_ + limit;
    else
        Thread->TimeLimit = limit;
    // Asked on condition only for the front page, and only while the
    // headlines it gave last time are in hand.
    if (pages_ == 1 && !kept_.titles.empty()) {
        Thread->ETag = validators_.first;
        Thread->LastModified = validators_.second;
    }
    Thread->OnProgress = [this, page = page_.get()](TDownloadThread* thread, uint8_t kind,
                                                    int32_t value) {
        listener(thread, *page, kind, value);
    };
    if (!Thread->Start(url, CacheFile, false))
        platform::PostMessage(Window->Handle(), platform::WM_USER, 0, 0);
}

void TNewsSite::listener(TDownloadThread* thread, Page& page, uint8_t kind, int32_t value) {
    // On the download thread. Links resolve against the page that answered,
    // after any redirects.
    if (kind == TWinInet::EventSucceeded && thread->NotModified()) {
        page.notModified = true;
        platform::PostMessage(Window->Handle(), platform::WM_USER, 0, 0);
    } else if (kind == TWinInet::EventSucceeded) {
        HeadlineExtractor extractor(thread->EffectiveURL(), page.siteUrl, page.titles, page.links,
                                    page.pending);
        extractor.SetAborting(&Aborting);
        extractor.SetExtended(environment_->extended);
        extractor.ExtractFile(page.cacheFile, environment_->debug);
        platform::PostMessage(Window->Handle(), platform::WM_USER, 0, 0);
    } else if (kind == TWinInet::EventFailed) {
        platform::PostMessage(Window->Handle(), platform::WM_USER, 0, 0);
    } else if (OnProgress) {
        OnProgress(this, kind, value);
    }
}

platform::LRESULT TNewsSite::completion(uint32_t message, platform::WPARAM wParam,
                                        platform::LPARAM lParam) {
    if (message != platform::WM_USER) return platform::DefWindowProc(message, wParam, lParam);
    if (Thread) {
        // The completion message is posted from inside the transfer: wait
        // for the thread to end before reading its outcome.
        Thread->Join();
        std::string url = Thread->URL;
        bool failed = Thread->State != TWinInet::EventSucceeded;
        uint32_t error = Thread->LastError();
        seen_.insert(CleanURL(Thread->EffectiveURL()));
        if (!started_) started_ = Thread->StartedAt();
        if (pages_ == 1) {
            // A 304 need not repeat the validators it confirms.
            Validators answer = failed ? Validators{} : Thread->Validators();
            if (!failed && Thread->NotModified()) {
                if (answer.first.empty()) answer.first = validators_.first;
                if (answer.second.empty()) answer.second = validators_.second;
            }
            validators_ = std::move(answer);
        }
        Thread.reset();
        if (failed && LastError == 0) {
            LastError = error != 0 ? error : platform::ErrorInternetConnectionAborted;
            FailedURL = url;
        }
    }
    if (page_ && page_->notModified) {
        // The page is as it was: so are its headlines.
        Titles = std::move(kept_.titles);
        Links = std::move(kept_.links);
        page_.reset();
    } else if (page_) {
        Titles = std::move(page_->titles);
        Links = std::move(page_->links);
        // Each page is queued once, however often the pages name it.
        if (PendingURLs)
            for (std::string& url : page_->pending)
                if (seen_.insert(url).second) PendingURLs->push_back(std::move(url));
        page_.reset();
    }
    std::string next = nextPage();
    if (!next.empty()) {
        // The site stays busy; the next page's headlines are appended.
        startThread(next, true);
        return 1;
    }
    finish();
    return 1;
}

std::string TNewsSite::nextPage() {
    if (!PendingURLs || PendingURLs->empty()) return {};
    auto spent = started_ ? std::chrono::steady_clock::now() - *started_
                          : std::chrono::steady_clock::duration::zero();
    if (pages_ >= kMaxPages || spent >= std::chrono::milliseconds(UpdateTimeLimitMs.load())) {
        PendingURLs->clear();
        return {};
    }
    std::string next = std::move(PendingURLs->front());
    PendingURLs->erase(PendingURLs->begin());
    return next;
}

void TNewsSite::finish() {
    Thread.reset();
    PendingURLs.reset();
    seen_.clear();
    kept_ = {};
    // Only a page that gave every headline by itself can stand for them
    // all next time.
    if (pages_ != 1 || Titles.empty()) validators_ = {};
    if (!Titles.empty()) {
        Titles.insert(Titles.begin(), SiteHeader(Name));
        Links.insert(Links.begin(), URL);
    }
    noteStatus();
    Busy = false;
    releaseCacheFile();
    if (OnUpdated) OnUpdated(this);
}

bool TNewsSite::claimCacheFile() {
    auto [writer, claimed] = environment_->cacheWriters.try_emplace(CacheFile, this);
    if (claimed || writer->second == this) return true;
    environment_->cacheWaiting.push_back(this);
    return false;
}

void TNewsSite::releaseCacheFile() {
    SiteEnvironment& environment = *environment_;
    std::erase(environment.cacheWaiting, this);
    auto writer = environment.cacheWriters.find(CacheFile);
    if (writer == environment.cacheWriters.end() || writer->second != this) return;
    environment.cacheWriters.erase(writer);
    for (auto waiting = environment.cacheWaiting.begin(); waiting != environment.cacheWaiting.end();
         ++waiting) {
        TNewsSite* next = *waiting;
        if (next->CacheFile != CacheFile) continue;
        environment.cacheWaiting.erase(waiting);
        environment.cacheWriters[CacheFile] = next;
        next->begin();
        return;
    }
}

void TNewsSite::noteStatus() {
    QDateTime now = QDateTime::currentDateTime();
    std::string before = Status.attempted.isValid() ? Status.failure : std::string();
    Status.attempted = now;
    if (!Titles.empty()) {
        // Headlines count, whatever became of the frames or feeds beside them.
        Status.headlines = static_cast<int>(Titles.size()) - 1;
        Status.failure.clear();
        Status.succeeded = now;
    } else {
        Status.headlines = 0;
        Status.failure =
            LastError != 0 ? platform::DescribeError(LastError) : std::string("no headlines found");
    }
    if (Status.failure == before) return;
    std::string line =
        "PLYXNews: " + platform::SjisToUtf8(Name) + ": " +
        (Status.failure.empty() ? "back, " + std::to_string(Status.headlines) +
                                      (Status.headlines == 1 ? " headline" : " headlines")
                                : Status.failure) +
        " (" + platform::SjisToUtf8(URL) + ")";
    if (StatusLine)
        StatusLine(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

std::string StatusText(const SiteStatus& status) {
    using platform::Utf8ToSjis;
    // The result first: a narrow column still shows it.
    if (!status.attempted.isValid()) return Utf8ToSjis("未取得");
    std::string when = Utf8ToSjis("（") + ClockText(status.attempted);
    if (status.failure.empty())
        return Utf8ToSjis("見出し ") + std::to_string(status.headlines) + Utf8ToSjis(" 件") + when +
               Utf8ToSjis("）");
    if (status.succeeded.isValid())
        when += Utf8ToSjis("、最後の成功 ") + ClockText(status.succeeded);
    return Utf8ToSjis("失敗: ") + status.failure + when + Utf8ToSjis("）");
}
