#include "engine/inet/TWinInet.h"

#include "platform/errors/LastError.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/process/Process.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

using platform::GetLastError;
using platform::SetLastError;

namespace {

uint32_t errorOfErrno(int e) {
    switch (e) {
    case ENOENT:
        return platform::ErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return platform::ErrorAccessDenied;
    case ENOSPC:
    case EDQUOT:
        return platform::ErrorDiskFull;
    case ENAMETOOLONG:
        return platform::ErrorFilenameExcedRange;
    default:
        return platform::ErrorWriteFault;
    }
}

// The page's file, its missing folders made first.
std::unique_ptr<platform::OutputFile> createFile(const std::string& sjisPath) {
    std::error_code ec;
    std::filesystem::path parent =
        std::filesystem::path(platform::NativePath(sjisPath)).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    auto file = std::make_unique<platform::OutputFile>(sjisPath);
    if (!file->IsOpen()) SetLastError(errorOfErrno(errno));
    return file;
}

} // namespace

TWinInet::~TWinInet() {
    CloseInternet();
}

void TWinInet::event(uint8_t kind, int64_t value) {
    if (OnEvent) OnEvent(this, kind, static_cast<int32_t>(std::min<int64_t>(value, INT32_MAX)));
}

bool TWinInet::AttemptConnect() {
    if (!platform::InternetAttemptConnect()) {
        LastError = GetLastError();
        Offline = true;
        return false;
    }
    Offline = false;
    return true;
}

bool TWinInet::OpenInternet() {
    bool offline = Offline;
    if (!offline && !AttemptConnect()) return false;
    CloseInternet();

    // A numbered agent name, reserved by a named mutex while the session is
    // open, tells concurrent transfers apart.
    std::string base = platform::ExecutableBaseName();
    for (int n = 0; n < kMaxAgentNumbers && !Mutex; ++n) {
        auto mutex = std::make_unique<platform::NamedMutex>(base + std::to_string(n));
        if (mutex->created()) {
            Mutex = std::move(mutex);
            agent_ = base + std::to_string(n);
        }
    }
    // Every number taken: go on unreserved rather than fail the transfer.
    if (!Mutex) agent_ = base + std::to_string(kMaxAgentNumbers);

    Internet = std::make_unique<platform::InternetSession>(agent_, offline);
    return true;
}

void TWinInet::CloseURL() {
    LastError = 0;
    UrlHandle.reset();
}

void TWinInet::CloseInternet() {
    CloseURL();
    Internet.reset();
    Mutex.reset();
    agent_.clear();
}

bool TWinInet::OpenURL(const std::string& url) {
    // The raw-data, no-cache-write and reload flags have no cache to act on
    // here (see platform/inet): every open fetches afresh.
    URL = url;
    LastError = 0;
    if (!Internet) {
        LastError = platform::ErrorInternetIncorrectHandleState;
        return false;
    }
    platform::RequestOptions options;
    options.abort = &Aborted;
    options.deadline = Deadline;
    options.maxWireBytes = kMaxPageBytes;
    options.etag = ETag;
    options.lastModified = LastModified;
    UrlHandle = platform::InternetRequest::Open(*Internet, url, options);
    if (!UrlHandle) {
        LastError = GetLastError();
        return false;
    }
    EffectiveURL = UrlHandle->EffectiveUrl();
    NotModified = UrlHandle->Status() == 304;
    ETag = UrlHandle->ETag();
    LastModified = UrlHandle->LastModified();
    return true;
}

int TWinInet::ReadBlock(char* buffer, size_t size) {
    LastError = 0;
    if (!UrlHandle) {
        LastError = platform::ErrorInternetIncorrectHandleState;
        return -1;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        size_t read = 0;
        if (UrlHandle->Read(buffer, size, read)) return static_cast<int>(read);
        // A cancelled transfer will not come back by asking again.
        if (GetLastError() == platform::ErrorInternetOperationCancelled) break;
    }
    LastError = GetLastError();
    return -1;
}

bool TWinInet::Download(const std::string& url, const std::string& file) {
    event(EventBegin, 0);
    if (!Internet) OpenInternet();
    if (!OpenURL(url)) {
        event(EventFailed, 0);
        return false;
    }
    event(EventProgress, 0);

    std::unique_ptr<platform::OutputFile> out;
    if (!file.empty() && !NotModified) {
        out = createFile(file);
        if (!out->IsOpen()) {
            LastError = GetLastError();
            event(EventFailed, 0);
            return false;
        }
    }

    bool ok = true;
    int64_t total = 0;
    char buffer[kBlockSize];
    while (true) {
        if (Aborted) {
            SetLastError(platform::ErrorInternetOperationCancelled);
            ok = false;
            break;
        }
        int read = ReadBlock(buffer, sizeof buffer);
        if (read < 0) {
            SetLastError(LastError);
            ok = false;
            break;
        }
        if (read == 0) break;
        if (out && !out->Write(std::string_view(buffer, static_cast<size_t>(read)))) {
            SetLastError(errorOfErrno(errno));
            ok = false;
            break;
        }
        total += read;
        if (total > kMaxPageBytes) {
            SetLastError(platform::ErrorFileTooLarge);
            ok = false;
            break;
        }
        event(EventProgress, total);
    }
    if (out && !out->Close() && ok) {
        SetLastError(errorOfErrno(errno));
        ok = false;
    }
    event(EventLoopEnded, total);
    uint32_t failure = GetLastError();
    CloseInternet();

    if (!ok)
        LastError = failure;
    else if (total == 0)
        LastError = platform::ErrorNoMoreFiles;
    if (!ok) {
        if (!file.empty()) platform::RemoveFile(file);
        event(EventFailed, total);
    } else {
        event(EventSucceeded, total);
    }
    return ok;
}
