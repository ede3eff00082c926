#pragma once

// Decodes an HTTP body sent gzipped or deflated as the reader asks for it:
// bytes in, bytes out, never more output at a time than the reader's
// buffer holds, so a small body that inflates to gigabytes costs no memory.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct z_stream_s;

namespace platform {

class ContentDecoder {
public:
    enum class Coding {
        Identity,    // sent as it is
        Gzip,        // gzip or x-gzip
        Deflate,     // zlib's wrapper, or raw deflate when the body lacks it
        Unsupported, // another coding, or more than one
    };
    // What the values of a response's Content-Encoding headers ask for;
    // each value may list codings separated by commas, and identity
    // counts for none.
    static Coding CodingOf(const std::vector<std::string>& headerValues);

    enum class Status {
        More,        // the body goes on
        End,         // the stream ended; what follows it is not consumed
        Invalid,     // not a stream of its coding
        OutOfMemory, // zlib could not get its memory
    };
    struct Step {
        size_t consumed = 0; // input bytes taken; the rest is to be passed again
        size_t produced = 0; // output bytes written
        Status status = Status::More;
    };

    // coding is Gzip or Deflate.
    explicit ContentDecoder(Coding coding);
    ~ContentDecoder();
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;

    // OutOfMemory when the decoder could not be set up, else More.
    Status Started() const { return status_; }

    // Decodes what it can of input into output. With room in output it
    // consumes or produces something unless the stream has ended or failed;
    // an empty input still yields what the decoder holds back, so a reader
    // asks again until nothing comes before it waits for more bytes.
    Step Decode(std::string_view input, char* output, size_t outputSize);

private:
    bool start(int windowBits);
    void end();
    // One inflate call over input; consumed and produced are added to step.
    int inflateInto(std::string_view input, char* output, size_t outputSize, Step& step);

    std::unique_ptr<z_stream_s> stream_;
    bool ready_ = false;
    Status status_ = Status::More;
    // A deflate body whose first bytes are no zlib header is read again
    // raw: until that is known the bytes taken are kept here, and after a
    // restart they are fed again before new input.
    bool mayBeRaw_ = false;
    std::string head_;
    std::string replay_;
};

} // namespace platform
