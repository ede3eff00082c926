#include "platform/fs/FileSystem.h"

#include "platform/fs/UniqueFd.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// A native name may hold what Shift_JIS cannot: a character it lacks (é),
// one it would bring back as another (a wave dash as a full-width tilde),
// or bytes that are no UTF-8. Each byte of such a character travels inside
// as one character of Shift_JIS's user area, lead 0xF0 or 0xF1, and goes
// back as that byte, so every native name survives the way in and out.
namespace {

constexpr unsigned char kEscapeLead = 0xF0;
constexpr size_t kTrails = 188; // 0x40-0x7E and 0x80-0xFC

void appendEscaped(std::string& out, unsigned char byte) {
    size_t index = byte % kTrails;
    out += static_cast<char>(kEscapeLead + byte / kTrails);
    out += static_cast<char>(index < 0x3F ? 0x40 + index : 0x80 + (index - 0x3F));
}

// The byte an escape pair stands for, or -1 when the pair is no escape.
// Only bytes past ASCII are ever escaped: a user-area character that would
// stand for "/" or a line break is that character, never the byte.
int escapedByte(unsigned char lead, unsigned char trail) {
    if (lead != kEscapeLead && lead != kEscapeLead + 1) return -1;
    size_t index;
    if (trail >= 0x40 && trail <= 0x7E)
        index = trail - 0x40u;
    else if (trail >= 0x80 && trail <= 0xFC)
        index = 0x3F + (trail - 0x80u);
    else
        return -1;
    size_t byte = (lead - kEscapeLead) * kTrails + index;
    return byte >= 0x80 && byte < 256 ? static_cast<int>(byte) : -1;
}

// The length of the well-formed UTF-8 character at s[i], 0 when it is none.
size_t utf8Length(std::string_view s, size_t i) {
    auto b = static_cast<unsigned char>(s[i]);
    size_t n = b >= 0xC2 && b <= 0xDF   ? 2
               : b >= 0xE0 && b <= 0xEF ? 3
               : b >= 0xF0 && b <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    auto b1 = static_cast<unsigned char>(s[i + 1]);
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0) || (b == 0xF0 && b1 < 0x90) ||
        (b == 0xF4 && b1 >= 0x90))
        return 0;
    return n;
}

} // namespace

std::string NativePath(std::string_view sjisPath) {
    if (sjisPath.find_first_of("\xF0\xF1") == std::string_view::npos) return SjisToUtf8(sjisPath);
    std::string out;
    size_t run = 0, i = 0;
    while (i < sjisPath.size()) {
        auto lead = static_cast<unsigned char>(sjisPath[i]);
        if (!IsSjisLeadByte(lead) || i + 1 >= sjisPath.size()) {
            ++i;
            continue;
        }
        int byte = escapedByte(lead, static_cast<unsigned char>(sjisPath[i + 1]));
        if (byte >= 0) {
            out += SjisToUtf8(sjisPath.substr(run, i - run));
            out += static_cast<char>(byte);
            run = i + 2;
        }
        i += 2;
    }
    out += SjisToUtf8(sjisPath.substr(run));
    return out;
}

std::string PathFromNative(std::string_view nativePath) {
    std::string out;
    out.reserve(nativePath.size());
    for (size_t i = 0; i < nativePath.size();) {
        auto b = static_cast<unsigned char>(nativePath[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        size_t n = utf8Length(nativePath, i);
        if (n > 0) {
            std::string_view character = nativePath.substr(i, n);
            std::string sjis = Utf8ToSjis(character);
            // The user area stands for escaped bytes; the rest must come back whole.
            bool kept =
                sjis != "?" &&
                escapedByte(static_cast<unsigned char>(sjis[0]),
                            sjis.size() > 1 ? static_cast<unsigned char>(sjis[1]) : 0) < 0 &&
                SjisToUtf8(sjis) == character;
            if (kept) {
                out += sjis;
                i += n;
                continue;
            }
        }
        for (size_t k = 0; k < std::max<size_t>(n, 1); ++k)
            appendEscaped(out, static_cast<unsigned char>(nativePath[i + k]));
        i += std::max<size_t>(n, 1);
    }
    return out;
}

bool IsUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t n = utf8Length(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string UserCacheDir() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache)
        return PathFromNative(cache);
    if (const char* home = std::getenv("HOME"); home && *home)
        return PathFromNative(std::string(home) + "/.cache");
    return "/tmp";
}

namespace {

// Appends the rest of fd to out in large blocks. False (out empty) on a
// read error, past maxBytes (EFBIG) or once *abort reads true (ECANCELED).
bool readToEnd(int fd, std::string& out, size_t maxBytes, const std::atomic<bool>* abort) {
    char buffer[65536];
    while (true) {
        if (abort && abort->load(std::memory_order_relaxed)) {
            out.clear();
            errno = ECANCELED;
            return false;
        }
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            out.clear();
            return false;
        }
        if (n == 0) return true;
        if (out.size() + static_cast<size_t>(n) > maxBytes) {
            out.clear();
            errno = EFBIG;
            return false;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

bool ReadFileBytes(std::string_view sjisPath, std::string& out, const std::atomic<bool>* abort,
                   size_t maxBytes) {
    out.clear();
    UniqueFd fd(::open(NativePath(sjisPath).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > maxBytes) {
        errno = EFBIG;
        return false;
    }
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    return readToEnd(fd.get(), out, maxBytes, abort);
}

bool ReadDescriptorBytes(int fd, std::string& out, size_t maxBytes) {
    out.clear();
    return readToEnd(fd, out, maxBytes, nullptr);
}

bool ReadRegularFile(std::string_view sjisPath, std::string& out, size_t maxBytes) {
    out.clear();
    // Non-blocking: opening a FIFO must not wait for a writer.
    UniqueFd fd(::open(NativePath(sjisPath).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode) || st.st_size < 0) {
        errno = EINVAL;
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        errno = EFBIG;
        return false;
    }
    out.reserve(static_cast<size_t>(st.st_size));
    // The size can change while reading (a file still being written, or
    // one the kernel sizes as 0): the cap holds whatever fstat said.
    return readToEnd(fd.get(), out, maxBytes, nullptr);
}

OutputFile::OutputFile(std::string_view sjisPath)
    : fd_(::open(NativePath(sjisPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {}

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool OutputFile::Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}

bool WriteFileBytes(std::string_view sjisPath, std::string_view bytes) {
    OutputFile file(sjisPath);
    return file.IsOpen() && file.Write(bytes) && file.Close();
}

bool FileExists(std::string_view sjisPath) {
    struct stat st {};
    return ::stat(NativePath(sjisPath).c_str(), &st) == 0;
}

bool RemoveFile(std::string_view sjisPath) {
    return ::unlink(NativePath(sjisPath).c_str()) == 0;
}

} // namespace platform
