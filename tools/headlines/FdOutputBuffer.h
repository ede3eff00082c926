#pragma once

// A stream buffer writing to a file descriptor that keeps the first write
// error: a full disk or a closed pipe must not pass for success, and by the
// time the stream is checked errno says something else.

#include <array>
#include <streambuf>

class FdOutputBuffer : public std::streambuf {
public:
    explicit FdOutputBuffer(int fd);
    ~FdOutputBuffer() override;
    FdOutputBuffer(const FdOutputBuffer&) = delete;
    FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;

    // The errno of the first failed write, or 0.
    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool flushBuffer();

    int fd_;
    int error_ = 0;
    std::array<char, 65536> buffer_;
};
