#pragma once

// The file-system boundary. Paths inside the engine are Shift_JIS text like
// any other; Linux names files in UTF-8, so every call here converts.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

std::string NativePath(std::string_view sjisPath);
// The other way, for paths that come from the command line or Qt. Both
// are lossless for any bytes, so they also carry other UTF-8 text in and out.
std::string PathFromNative(std::string_view nativePath);
// Well-formed UTF-8 throughout (ASCII included).
bool IsUtf8(std::string_view bytes);

// The current user's cache folder: $XDG_CACHE_HOME, else ~/.cache (Shift_JIS,
// no trailing slash).
std::string UserCacheDir();

// Reads the whole file in large blocks. False (out empty) when the file
// cannot be opened or read, once *abort reads true between blocks
// (errno ECANCELED) or past maxBytes (EFBIG; a regular file that large is
// not read at all); errno tells why.
bool ReadFileBytes(std::string_view sjisPath, std::string& out,
                   const std::atomic<bool>* abort = nullptr, size_t maxBytes = SIZE_MAX);
// The rest of an open descriptor (standard input, say), as ReadFileBytes.
bool ReadDescriptorBytes(int fd, std::string& out, size_t maxBytes);
// The bytes of a regular file of at most maxBytes, for files that untrusted
// text names (settings, designs, pictures). Devices, FIFOs and folders fail
// with EINVAL, larger files with EFBIG, without blocking or reading them.
bool ReadRegularFile(std::string_view sjisPath, std::string& out, size_t maxBytes);
// A file being written from its start, closed with the object. On failure
// errno tells why.
class OutputFile {
public:
    // Creates the file or empties an existing one.
    explicit OutputFile(std::string_view sjisPath);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // All of bytes, writing again for any remainder.
    bool Write(std::string_view bytes);
    // Closes now; a full disk may only show here.
    bool Close();

private:
    int fd_;
};

// Creates or replaces the file with exactly these bytes.
bool WriteFileBytes(std::string_view sjisPath, std::string_view bytes);
bool FileExists(std::string_view sjisPath);
bool RemoveFile(std::string_view sjisPath);

} // namespace platform
