// Arbitrary bytes as a compressed response body. The first byte picks the
// coding (gzip or deflate), the second the size of the blocks the body
// arrives in, the third the size of the reader's buffer; the rest is the
// body. Decoding must never write more than the buffer holds, must take or
// give something on every call until the stream ends, fails or runs dry,
// and must give the same bytes and the same ending however the body and
// the output are cut, up to a bound that stops bombs.

#include "platform/inet/ContentDecoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using platform::ContentDecoder;

constexpr size_t kMaxOutput = 1 << 20;

struct Outcome {
    std::string output;
    ContentDecoder::Status status = ContentDecoder::Status::More;
};

Outcome decode(ContentDecoder::Coding coding, std::string_view body, size_t inBlock,
               size_t outBlock, size_t limit) {
    ContentDecoder decoder(coding);
    Outcome outcome;
    if (decoder.Started() != ContentDecoder::Status::More) __builtin_trap();
    std::vector<char> buffer(outBlock + 1);
    size_t arrived = std::min(inBlock, body.size());
    size_t taken = 0;
    while (outcome.output.size() < limit) {
        size_t room = std::min(outBlock, limit - outcome.output.size());
        // A byte past the room tells an overrun.
        buffer[room] = '\x5a';
        std::string_view input = body.substr(taken, arrived - taken);
        ContentDecoder::Step step = decoder.Decode(input, buffer.data(), room);
        if (step.consumed > input.size() || step.produced > room || buffer[room] != '\x5a')
            __builtin_trap();
        taken += step.consumed;
        outcome.output.append(buffer.data(), step.produced);
        outcome.status = step.status;
        if (step.status != ContentDecoder::Status::More) {
            // The ending holds: nothing more is taken or given.
            ContentDecoder::Step again = decoder.Decode(body.substr(taken), buffer.data(), room);
            if (again.consumed || again.produced || again.status != step.status) __builtin_trap();
            break;
        }
        if (step.consumed || step.produced) continue;
        // Nothing held back: only new input can help.
        if (!input.empty()) __builtin_trap();
        if (arrived == body.size()) break;
        arrived = std::min(arrived + inBlock, body.size());
    }
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    auto coding = data[0] & 1 ? ContentDecoder::Coding::Deflate : ContentDecoder::Coding::Gzip;
    std::string_view body(reinterpret_cast<const char*>(data) + 3, size - 3);
    size_t inBlock = data[1] < 128 ? 1 + data[1] % 16 : std::max<size_t>(body.size(), 1);
    size_t outBlock = data[2] < 128 ? 1 + data[2] % 32 : size_t(1) << (data[2] % 17);
    // Small buffers take many calls: their bound is lower.
    size_t limit = std::min(kMaxOutput, outBlock * 8192);

    Outcome cut = decode(coding, body, inBlock, outBlock, limit);
    Outcome whole = decode(coding, body, std::max<size_t>(body.size(), 1), limit, limit);
    if (cut.output != whole.output) __builtin_trap();
    if (cut.output.size() < limit && cut.status != whole.status) __builtin_trap();
    return 0;
}
