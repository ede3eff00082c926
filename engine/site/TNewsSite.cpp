#include "engine/site/TNewsSite.h"

#include "engine/site/HeadlineExtractor.h"
#include "platform/errors/LastError.h"
#include "platform/fs/PathNames.h"
#include "platform/inet/Internet.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <QDateTime>
#include <QLocale>

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

} // namespace

std::string SiteHeader(const std::string& name) {
    QDateTime now = QDateTime::currentDateTime();
    QDate date = now.date();
    QTime time = now.time();
    QString stamp = QStringLiteral("%1/%2(%3) %4:%5")
                        .arg(date.month())
                        .arg(date.day())
                        .arg(QLocale::system().dayName(date.dayOfWeek(), QLocale::ShortFormat))
                        .arg(time.hour(), 2, 10, QLatin1Char('0'))
                        .arg(time.minute(), 2, 10, QLatin1Char('0'));
    return platform::Utf16ToSjis(stamp.toStdU16String()) + " - " + name + " - ";
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
    // destructor aborts the transfer and waits, and only then does the
    // window (and any completion message queued for it) go.
    Aborting = true;
    Thread.reset();
    PendingURLs.reset();
    Window.reset();
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
    std::string name = Name.empty() ? std::to_string(serial_) : safeFileName(Name);
    return platform::ChangeFileExt(
        platform::IncludeTrailingPathDelimiter(environment_->pluginDir) + name, ".html");
}

bool TNewsSite::Update() {
    if (Busy || URL.empty() || !platform::InternetAttemptConnect()) return false;
    Busy = true;
    Countdown = 0;
    CacheFile = CacheFileName();
    if (!PendingURLs) PendingURLs = std::make_unique<std::vector<std::string>>();
    Thread.reset();
    // Cleared before the thread starts: a fast extraction would otherwise
    // have its headlines cleared behind it.
    Titles.clear();
    Links.clear();
    LastError = 0;
    FailedURL.clear();
    startThread(URL, false);
    return true;
}

void TNewsSite::startThread(const std::string& url, bool useCache) {
    Thread = std::make_unique<TDownloadThread>();
    Thread->UseCache = useCache;
    Thread->OnProgress = [this](TDownloadThread* thread, uint8_t kind, int32_t value) {
        listener(thread, kind, value);
    };
    if (!Thread->Start(url, CacheFile, false))
        platform::PostMessage(Window->Handle(), platform::WM_USER, 0, 0);
}

void TNewsSite::listener(TDownloadThread* thread, uint8_t kind, int32_t value) {
    // On the download thread.
    if (kind == TWinInet::EventSucceeded) {
        HeadlineExtractor extractor(thread->URL, URL, Titles, Links, *PendingURLs);
        extractor.SetAborting(&Aborting);
        extractor.ExtractFile(CacheFile, environment_->debug);
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
        Thread.reset();
        if (failed && LastError == 0) {
            LastError = error != 0 ? error : platform::ErrorInternetConnectionAborted;
            FailedURL = url;
        }
    }
    if (PendingURLs && !PendingURLs->empty()) {
        std::string next = PendingURLs->front();
        PendingURLs->erase(PendingURLs->begin());
        startThread(next, true);
        return 1;
    }
    PendingURLs.reset();
    if (!Titles.empty()) {
        Titles.insert(Titles.begin(), SiteHeader(Name));
        Links.insert(Links.begin(), URL);
    }
    Busy = false;
    if (OnUpdated) OnUpdated(this);
    return 1;
}
