#include "tools/headlines/FdOutputBuffer.h"

#include <cerrno>
#include <unistd.h>

FdOutputBuffer::FdOutputBuffer(int fd) : fd_(fd) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

FdOutputBuffer::~FdOutputBuffer() {
    flushBuffer();
}

bool FdOutputBuffer::flushBuffer() {
    const char* next = pbase();
    while (next < pptr() && error_ == 0) {
        ssize_t n = ::write(fd_, next, static_cast<size_t>(pptr() - next));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            error_ = n < 0 ? errno : EIO;
        else
            next += n;
    }
    // After a failure the rest is dropped: the run fails anyway.
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error_ == 0;
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type c) {
    if (!flushBuffer()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int FdOutputBuffer::sync() {
    return flushBuffer() ? 0 : -1;
}
