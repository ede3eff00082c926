#include "engine/inet/TWinInet.h"

#include "platform/errors/LastError.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/process/Process.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

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
    default:
        return platform::ErrorWriteFault;
    }
}

class OutputFile {
public:
    explicit OutputFile(const std::string& sjisPath) {
        std::string native = platform::NativePath(sjisPath);
        std::error_code ec;
        std::filesystem::path parent = std::filesystem::path(native).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent, ec);
        fd_ = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) SetLastError(errorOfErrno(errno));
    }
    ~OutputFile() { close(); }
    bool isOpen() const { return fd_ >= 0; }
    bool write(const char* data, size_t size) {
        while (size > 0) {
            ssize_t n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                SetLastError(n < 0 ? errorOfErrno(errno) : platform::ErrorWriteFault);
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool close() {
        if (fd_ < 0) return true;
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) == 0) return true;
        SetLastError(errorOfErrno(errno));
        return false;
    }

private:
    int fd_ = -1;
};

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
    UrlHandle = platform::InternetRequest::Open(*Internet, url, &Aborted);
    if (!UrlHandle) {
        LastError = GetLastError();
        return false;
    }
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

    std::unique_ptr<OutputFile> out;
    if (!file.empty()) {
        out = std::make_unique<OutputFile>(file);
        if (!out->isOpen()) {
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
        if (out && !out->write(buffer, static_cast<size_t>(read))) {
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
    if (out && !out->close() && ok) ok = false;
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
