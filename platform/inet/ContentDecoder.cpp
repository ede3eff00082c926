#include "platform/inet/ContentDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <climits>

namespace platform {

ContentDecoder::Coding ContentDecoder::CodingOf(const std::vector<std::string>& headerValues) {
    std::string first;
    size_t count = 0;
    for (const std::string& value : headerValues) {
        for (size_t begin = 0; begin <= value.size();) {
            size_t end = std::min(value.find(',', begin), value.size());
            std::string coding;
            for (size_t k = begin; k < end; ++k)
                if (value[k] != ' ' && value[k] != '\t')
                    coding += static_cast<char>(std::tolower(static_cast<unsigned char>(value[k])));
            if (!coding.empty() && coding != "identity" && ++count == 1) first = std::move(coding);
            if (count > 1) return Coding::Unsupported;
            begin = end + 1;
        }
    }
    if (count == 0) return Coding::Identity;
    if (first == "gzip" || first == "x-gzip") return Coding::Gzip;
    if (first == "deflate") return Coding::Deflate;
    return Coding::Unsupported;
}

ContentDecoder::ContentDecoder(Coding coding) : stream_(std::make_unique<z_stream>()) {
    mayBeRaw_ = coding == Coding::Deflate;
    // 15 + 32: the gzip or the zlib wrapper, whichever the body has.
    if (!start(15 + 32)) status_ = Status::OutOfMemory;
}

ContentDecoder::~ContentDecoder() {
    end();
}

bool ContentDecoder::start(int windowBits) {
    end();
    *stream_ = z_stream{};
    ready_ = inflateInit2(stream_.get(), windowBits) == Z_OK;
    return ready_;
}

void ContentDecoder::end() {
    if (ready_) inflateEnd(stream_.get());
    ready_ = false;
}

int ContentDecoder::inflateInto(std::string_view input, char* output, size_t outputSize,
                                Step& step) {
    z_stream& z = *stream_;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(std::min<size_t>(input.size(), UINT_MAX));
    z.next_out = reinterpret_cast<Bytef*>(output);
    z.avail_out = static_cast<uInt>(std::min<size_t>(outputSize, UINT_MAX));
    uInt availIn = z.avail_in;
    uInt availOut = z.avail_out;
    int result = inflate(&z, Z_NO_FLUSH);
    step.consumed += availIn - z.avail_in;
    step.produced += availOut - z.avail_out;
    return result;
}

ContentDecoder::Step ContentDecoder::Decode(std::string_view input, char* output,
                                            size_t outputSize) {
    Step step;
    step.status = status_;
    // No room, nothing to do (and zlib refuses an output buffer of null).
    if (status_ != Status::More || outputSize == 0) return step;

    int result = Z_OK;
    if (!replay_.empty()) {
        Step replayed;
        result = inflateInto(replay_, output, outputSize, replayed);
        replay_.erase(0, replayed.consumed);
        step.produced = replayed.produced;
        if (result == Z_OK && replay_.empty() && replayed.produced < outputSize)
            result = inflateInto(input, output + replayed.produced, outputSize - replayed.produced,
                                 step);
    } else {
        result = inflateInto(input, output, outputSize, step);
        if (mayBeRaw_ && result == Z_DATA_ERROR && stream_->total_out == 0 &&
            stream_->total_in <= 2) {
            // Its first bytes are no zlib header: read them again raw.
            mayBeRaw_ = false;
            replay_ = std::move(head_);
            head_.clear();
            if (!start(-15)) {
                status_ = Status::OutOfMemory;
                return {0, 0, status_};
            }
            return Decode(input, output, outputSize);
        }
        if (mayBeRaw_) {
            if (stream_->total_in > 2 || stream_->total_out > 0) {
                mayBeRaw_ = false;
                head_.clear();
            } else {
                head_.append(input.substr(0, step.consumed));
            }
        }
    }

    if (result == Z_STREAM_END)
        status_ = Status::End;
    else if (result == Z_MEM_ERROR)
        status_ = Status::OutOfMemory;
    else if (result != Z_OK && result != Z_BUF_ERROR)
        status_ = Status::Invalid;
    // The window and state go as soon as no more is to be decoded.
    if (status_ != Status::More) end();
    step.status = status_;
    return step;
}

} // namespace platform
