#include "platform/inet/ContentDecoder.h"

#include "tests/support/HttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <zlib.h>

using platform::ContentDecoder;
using Coding = ContentDecoder::Coding;
using Status = ContentDecoder::Status;

namespace {

constexpr int kGzip = 15 + 16;
constexpr int kZlib = 15;
constexpr int kRaw = -15;

// body compressed with the wrapper windowBits names; with Z_FULL_FLUSH the
// stream stays open and may be repeated.

// Letters with long runs: literals and matches of many lengths.
std::string page() {
    std::string body;
    for (unsigned n = 1; body.size() < 9000; n = n * 1103515245 + 12345) {
        body += static_cast<char>('a' + (n >> 16) % 26);
        if ((n >> 8) % 17 == 0) body += std::string((n >> 4) % 300, 'q');
    }
    return body;
}

struct Decoded {
    std::string output;
    Status status = Status::More;
    size_t consumed = 0;
};

// Reads body as a reader does: inBlock bytes arrive at a time, outBlock
// bytes are asked for at a time, and once the decoder gives nothing for
// what it has it waits for more; up to limit bytes of output.
Decoded decode(Coding coding, const std::string& body, size_t inBlock, size_t outBlock,
               size_t limit = SIZE_MAX) {
    ContentDecoder decoder(coding);
    Decoded d;
    std::string buffer(outBlock, '\0');
    size_t arrived = std::min(inBlock, body.size());
    while (d.output.size() < limit) {
        size_t room = std::min(outBlock, limit - d.output.size());
        std::string_view input = std::string_view(body).substr(d.consumed, arrived - d.consumed);
        ContentDecoder::Step step = decoder.Decode(input, buffer.data(), room);
        EXPECT_LE(step.produced, room);
        d.consumed += step.consumed;
        d.output.append(buffer, 0, step.produced);
        d.status = step.status;
        if (step.status != Status::More) break;
        if (step.consumed || step.produced) continue;
        if (arrived == body.size()) break;
        arrived = std::min(arrived + inBlock, body.size());
    }
    return d;
}

} // namespace

TEST(ContentDecoder, EveryWrapperDecodesHoweverItsBytesArriveAndLeave) {
    const std::string body = page();
    struct Case {
        const char* name;
        Coding coding;
        std::string sent;
    } cases[] = {
        {"gzip", Coding::Gzip, testsupport::Deflate(body, kGzip)},
        {"zlib said to be gzip", Coding::Gzip, testsupport::Deflate(body, kZlib)},
        {"zlib", Coding::Deflate, testsupport::Deflate(body, kZlib)},
        {"raw", Coding::Deflate, testsupport::Deflate(body, kRaw)},
    };
    // One-byte blocks cross the point where a raw body is told from a
    // wrapped one; one-byte reads leave the rest of a match in the decoder.
    const size_t blocks[][2] = {{1, 1},   {1, 4096},     {2, 3},          {3, 1},
                                {5, 257}, {SIZE_MAX, 1}, {SIZE_MAX, 4096}};
    for (const Case& c : cases)
        for (auto [in, out] : blocks) {
            Decoded d = decode(c.coding, c.sent, in, out);
            EXPECT_EQ(d.status, Status::End) << c.name << " in " << in << " out " << out;
            EXPECT_EQ(d.output.size(), body.size()) << c.name << " in " << in << " out " << out;
            EXPECT_TRUE(d.output == body) << c.name << " in " << in << " out " << out;
            EXPECT_EQ(d.consumed, c.sent.size()) << c.name << " in " << in << " out " << out;
        }
}

TEST(ContentDecoder, WhatFollowsTheStreamsEndIsLeftAlone) {
    const std::string body = page();
    const std::string junk = "\x1f\x8b trailing bytes";
    struct Case {
        const char* name;
        Coding coding;
        std::string stream, after, decoded;
    } cases[] = {
        {"gzip", Coding::Gzip, testsupport::Deflate(body, kGzip), junk, body},
        {"gzip, then a second member", Coding::Gzip, testsupport::Deflate(body, kGzip),
         testsupport::Deflate("more", kGzip), body},
        {"zlib", Coding::Deflate, testsupport::Deflate(body, kZlib), junk, body},
        {"raw", Coding::Deflate, testsupport::Deflate(body, kRaw), junk, body},
        // An empty final block: the stream ends within the first two bytes,
        // before a raw body is told from a wrapped one.
        {"raw, empty", Coding::Deflate, std::string("\x03\x00", 2), junk, ""},
    };
    for (const Case& c : cases)
        for (size_t in : {size_t(1), SIZE_MAX}) {
            Decoded d = decode(c.coding, c.stream + c.after, in, 1000);
            EXPECT_EQ(d.status, Status::End) << c.name << " in " << in;
            EXPECT_EQ(d.consumed, c.stream.size()) << c.name << " in " << in;
            EXPECT_TRUE(d.output == c.decoded) << c.name << " in " << in;
        }
}

TEST(ContentDecoder, ABrokenStreamFailsAndStaysFailed) {
    std::string gzip = testsupport::Deflate(page(), kGzip);
    std::string zlib = testsupport::Deflate(page(), kZlib);
    // A zlib header asking for a preset dictionary, which no server can give.
    std::string dictionary = "\x78\xbb";
    dictionary += std::string("\x00\x00\x00\x01", 4) + zlib.substr(2);
    struct Case {
        const char* name;
        Coding coding;
        std::string sent;
    } cases[] = {
        {"corrupt gzip", Coding::Gzip,
         gzip.substr(0, 20) + std::string(200, '\x55') + gzip.substr(220)},
        {"plain text as gzip", Coding::Gzip, "<html>plain text said to be gzip</html>"},
        {"raw as gzip", Coding::Gzip, testsupport::Deflate(page(), kRaw)},
        {"zlib with a bad check", Coding::Deflate,
         zlib.substr(0, zlib.size() - 1) + static_cast<char>(zlib.back() ^ 1)},
        {"neither zlib nor raw", Coding::Deflate, "\xff\xff\xff\xff\xff\xff"},
        {"preset dictionary", Coding::Deflate, dictionary},
    };
    for (const Case& c : cases)
        for (size_t in : {size_t(1), SIZE_MAX}) {
            Decoded d = decode(c.coding, c.sent, in, 4096);
            EXPECT_EQ(d.status, Status::Invalid) << c.name << " in " << in;
        }
    ContentDecoder decoder(Coding::Gzip);
    char out[64];
    EXPECT_EQ(decoder.Decode("plain text", out, sizeof out).status, Status::Invalid);
    ContentDecoder::Step again = decoder.Decode(gzip, out, sizeof out);
    EXPECT_EQ(again.status, Status::Invalid);
    EXPECT_EQ(again.consumed + again.produced, 0u);
}

TEST(ContentDecoder, ABodyCutShortGivesAllItHoldsThenWaits) {
    const std::string body = page();
    for (int bits : {kGzip, kRaw}) {
        std::string sent = testsupport::Deflate(body, bits);
        std::string cut = sent.substr(0, sent.size() * 2 / 3);
        Coding coding = bits == kGzip ? Coding::Gzip : Coding::Deflate;
        Decoded whole = decode(coding, cut, SIZE_MAX, 1 << 20);
        EXPECT_EQ(whole.status, Status::More);
        EXPECT_EQ(whole.consumed, cut.size());
        EXPECT_GT(whole.output.size(), body.size() / 2);
        EXPECT_TRUE(body.starts_with(whole.output));
        // Read a byte at a time nothing of it is lost.
        Decoded bytewise = decode(coding, cut, 1, 1);
        EXPECT_TRUE(bytewise.output == whole.output) << bits;
        EXPECT_EQ(bytewise.status, Status::More);
    }
}

TEST(ContentDecoder, AnEndlessStreamGivesNoMoreThanItsReaderTakes) {
    // Blocks of blanks that never close the stream: a bomb without end.
    std::string block = testsupport::Deflate(std::string(1 << 16, ' '), kRaw, Z_FULL_FLUSH);
    ContentDecoder decoder(Coding::Deflate);
    constexpr size_t kLimit = 8 << 20;
    std::string buffer(4096, '\0');
    size_t total = 0, fed = 0, offset = 0;
    while (total < kLimit) {
        ContentDecoder::Step step =
            decoder.Decode(std::string_view(block).substr(offset), buffer.data(), buffer.size());
        ASSERT_EQ(step.status, Status::More);
        ASSERT_LE(step.produced, buffer.size());
        ASSERT_GT(step.consumed + step.produced, 0u);
        total += step.produced;
        offset += step.consumed;
        fed += step.consumed;
        if (offset == block.size()) offset = 0;
    }
    EXPECT_EQ(total, kLimit);
    // What it took is what those bytes need, not the stream ahead.
    EXPECT_LE(fed, (kLimit / (1 << 16) + 1) * block.size());
}

TEST(ContentDecoder, TheHeaderNamesOneCodingOnOfferOrIsRefused) {
    struct Case {
        std::vector<std::string> values;
        Coding coding;
    } cases[] = {
        {{}, Coding::Identity},
        {{"identity"}, Coding::Identity},
        {{" , ,identity,"}, Coding::Identity},
        {{"gzip"}, Coding::Gzip},
        {{"X-GZip"}, Coding::Gzip},
        {{" gzip\t"}, Coding::Gzip},
        {{"identity", "deflate"}, Coding::Deflate},
        {{"deflate, identity"}, Coding::Deflate},
        {{"gzip, deflate"}, Coding::Unsupported},
        {{"gzip", "gzip"}, Coding::Unsupported},
        {{"br"}, Coding::Unsupported},
        {{"compress"}, Coding::Unsupported},
        {{"gzip;q=1"}, Coding::Unsupported},
    };
    for (const Case& c : cases) {
        std::string all;
        for (const std::string& v : c.values)
            all += "[" + v + "]";
        EXPECT_EQ(ContentDecoder::CodingOf(c.values), c.coding) << all;
    }
}
