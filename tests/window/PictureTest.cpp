#include "engine/region/zelRegion.h"
#include "engine/window/DesignReader.h"
#include "platform/gdi/BitmapFile.h"

#include "tests/support/TempDir.h"
#include "tests/window/WindowTestData.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

// A Windows bitmap file written field by field, so every header form and
// depth the reader takes can be built with known pixels.
struct BitmapSpec {
    int bpp = 24;
    bool coreHeader = false;     // the old 12-byte header with 3-byte palette entries
    std::vector<uint32_t> masks; // bit fields (compression 3) when given
    std::vector<QRgb> palette;
};

void put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string encode(const BitmapSpec& spec, int width, int height,
                   const std::function<uint32_t(int, int)>& value) {
    std::string info;
    if (spec.coreHeader) {
        put(info, 12, 4);
        put(info, static_cast<uint32_t>(width), 2);
        put(info, static_cast<uint32_t>(height), 2);
        put(info, 1, 2);
        put(info, static_cast<uint32_t>(spec.bpp), 2);
    } else {
        put(info, 40, 4);
        put(info, static_cast<uint32_t>(width), 4);
        put(info, static_cast<uint32_t>(height), 4);
        put(info, 1, 2);
        put(info, static_cast<uint32_t>(spec.bpp), 2);
        put(info, spec.masks.empty() ? 0 : 3, 4);
        put(info, 0, 4 * 3);
        put(info, static_cast<uint32_t>(spec.palette.size()), 4);
        put(info, 0, 4);
        for (uint32_t mask : spec.masks)
            put(info, mask, 4);
    }
    for (QRgb c : spec.palette) {
        put(info, static_cast<uint32_t>(qBlue(c)), 1);
        put(info, static_cast<uint32_t>(qGreen(c)), 1);
        put(info, static_cast<uint32_t>(qRed(c)), 1);
        if (!spec.coreHeader) put(info, 0, 1);
    }
    size_t stride = ((static_cast<size_t>(width) * spec.bpp + 31) / 32) * 4;
    std::string pixels;
    for (int row = height - 1; row >= 0; --row) {
        std::string line(stride, '\0');
        for (int x = 0; x < width; ++x) {
            uint32_t v = value(x, row);
            if (spec.bpp < 8) {
                size_t bit = static_cast<size_t>(x) * spec.bpp;
                line[bit / 8] = static_cast<char>(static_cast<uint8_t>(line[bit / 8]) |
                                                  v << (8 - spec.bpp - bit % 8));
            } else {
                for (int i = 0; i < spec.bpp / 8; ++i)
                    line[static_cast<size_t>(x) * (spec.bpp / 8) + i] =
                        static_cast<char>((v >> (8 * i)) & 0xFF);
            }
        }
        pixels += line;
    }
    std::string file = "BM";
    put(file, static_cast<uint32_t>(14 + info.size() + pixels.size()), 4);
    put(file, 0, 4);
    put(file, static_cast<uint32_t>(14 + info.size()), 4);
    return file + info + pixels;
}

std::vector<QRgb> grayPalette(int count) {
    std::vector<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(qRgb(i * 255 / (count - 1), 255 - i * 255 / (count - 1), i % 2 * 200));
    return palette;
}

uint8_t scaled(uint32_t v, int bits) {
    return static_cast<uint8_t>(v * 255 / ((1u << bits) - 1));
}

// A valid grayscale JPEG of any size, every block one flat grey: Huffman
// tables of a single one-bit code make each block two zero bits.
std::string flatJpeg(int width, int height) {
    std::string j = "\xFF\xD8";
    j += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    j += std::string("\xFF\xC0\x00\x0B\x08", 5);
    j += {char(height >> 8), char(height & 0xFF), char(width >> 8), char(width & 0xFF)};
    j += std::string("\x01\x01\x11\x00", 4);
    for (char table : {'\x00', '\x10'}) { // DC 0 and AC 0: one code of length 1, symbol 0
        j += std::string("\xFF\xC4\x00\x14", 4) + table + '\x01' + std::string(15, '\0');
        j += '\0';
    }
    j += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    int64_t blocks = int64_t((width + 7) / 8) * ((height + 7) / 8);
    j += std::string(static_cast<size_t>((blocks * 2 + 7) / 8), '\0');
    return j + "\xFF\xD9";
}

// The height and width fields of a JPEG's frame header, replaced.
std::string withJpegSize(std::string jpeg, int width, int height) {
    size_t sof = jpeg.find("\xFF\xC0");
    if (sof == std::string::npos) sof = jpeg.find("\xFF\xC2");
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST(Pictures, BitmapsOfEveryDepthAndHeaderFormDecodeTheirPixels) {
    const int w = 7, h = 3;
    auto index = [](int count) {
        return [count](int x, int y) { return uint32_t(x + 3 * y) % count; };
    };
    auto packed555 = [](int x, int y) { return uint32_t((x * 4) << 10 | (y * 9) << 5 | (x + y)); };
    auto packed565 = [](int x, int y) { return uint32_t((x * 4) << 11 | (y * 20) << 5 | (x * 3)); };
    auto packed32 = [](int x, int y) { return uint32_t((x * 30) << 16 | (y * 80) << 8 | 77); };
    // Red in the low byte, blue in the high: only the masks say so.
    auto swapped32 = [](int x, int y) { return uint32_t(77u << 24 | (y * 80) << 12 | (x * 30)); };
    struct Case {
        const char* what;
        BitmapSpec spec;
        std::function<uint32_t(int, int)> value;
        std::function<QRgb(uint32_t)> colour;
    } cases[] = {
        {"4 bits",
         {4, false, {}, grayPalette(16)},
         index(16),
         [](uint32_t v) { return grayPalette(16)[v]; }},
        {"8 bits",
         {8, false, {}, grayPalette(256)},
         index(256),
         [](uint32_t v) { return grayPalette(256)[v]; }},
        {"8 bits, short palette",
         {8, false, {}, grayPalette(5)},
         index(5),
         [](uint32_t v) { return grayPalette(5)[v]; }},
        {"16 bits, 5-5-5",
         {16, false, {}, {}},
         packed555,
         [](uint32_t v) {
             return qRgb(scaled(v >> 10 & 31, 5), scaled(v >> 5 & 31, 5), scaled(v & 31, 5));
         }},
        {"16 bits, 5-6-5 bit fields",
         {16, false, {0xF800, 0x07E0, 0x001F}, {}},
         packed565,
         [](uint32_t v) {
             return qRgb(scaled(v >> 11, 5), scaled(v >> 5 & 63, 6), scaled(v & 31, 5));
         }},
        {"32 bits",
         {32, false, {}, {}},
         packed32,
         [](uint32_t v) { return qRgb(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF); }},
        {"32 bits, bit fields",
         {32, false, {0x000000FF, 0x000FF000, 0xFF000000}, {}},
         swapped32,
         [](uint32_t v) { return qRgb(v & 0xFF, v >> 12 & 0xFF, v >> 24); }},
        {"old header, 8 bits",
         {8, true, {}, grayPalette(256)},
         index(256),
         [](uint32_t v) { return grayPalette(256)[v]; }},
        {"old header, 24 bits",
         {24, true, {}, {}},
         packed32,
         [](uint32_t v) { return qRgb(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF); }},
    };
    for (const Case& c : cases) {
        QImage image;
        int bits = 0;
        ASSERT_TRUE(DecodeBitmap(encode(c.spec, w, h, c.value), image, &bits)) << c.what;
        EXPECT_EQ(bits, c.spec.bpp) << c.what;
        ASSERT_EQ(image.size(), QSize(w, h)) << c.what;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(image.pixel(x, y), c.colour(c.value(x, y)))
                    << c.what << " at " << x << "," << y;
    }
}

TEST(Pictures, GrayscaleAndProgressiveJpegsDecode) {
    TBitmap gray, progressive;
    ASSERT_TRUE(LoadPicture(gray, kData + "gray.jpg"));
    ASSERT_EQ(gray.Image.size(), QSize(24, 8));
    EXPECT_TRUE(near(gray.Image.pixel(5, 0), qRgb(255, 255, 255), 12));
    EXPECT_TRUE(near(gray.Image.pixel(5, 7), qRgb(0, 0, 0), 12));
    for (int y = 0; y < 8; ++y) {
        QRgb p = gray.Image.pixel(10, y);
        EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << "row " << y;
    }
    ASSERT_TRUE(LoadPicture(progressive, kData + "progressive.jpg"));
    ASSERT_EQ(progressive.Image.size(), QSize(32, 16));
    EXPECT_TRUE(near(progressive.Image.pixel(31, 15), qRgb(0x33, 0x66, 0xCC), 3));
    EXPECT_EQ(progressive.Image.format(), QImage::Format_RGB32);
}

TEST(Pictures, AJpegWhoseDataEndsInsideThePictureFails) {
    QImage image;
    for (const char* name : {"flat.jpg", "progressive.jpg"}) {
        std::string jpeg = testsupport::ReadAll(kData + name);
        size_t scan = jpeg.find("\xFF\xDA");
        ASSERT_NE(scan, std::string::npos);
        EXPECT_FALSE(DecodeJpeg(jpeg.substr(0, scan + 12), image)) << name << ", cut in its data";
        EXPECT_TRUE(DecodeJpeg(jpeg.substr(0, jpeg.size() - 2), image))
            << name << ", whole but for the end marker";
    }
    // A tiny file that claims a large picture is cut short by nature.
    EXPECT_FALSE(
        DecodeJpeg(withJpegSize(testsupport::ReadAll(kData + "flat.jpg"), 4096, 4096), image));
}

TEST(Pictures, FilesThatAreNotPlainOrAreHugeFailLikeMissingOnes) {
    testsupport::TempDir dir;
    std::string bitmap = testsupport::ReadAll(kData + "flat.bmp");
    TBitmap picture;

    std::string fifo = dir.file("fifo.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadPicture(picture, fifo)) << "a FIFO without a writer does not block";
    EXPECT_FALSE(LoadPicture(picture, "/dev/zero")) << "a device is not read";
    EXPECT_FALSE(LoadPicture(picture, dir.path().string()));

    // A good bitmap padded (sparsely) to the 64 MiB cap still loads; one
    // byte more and the file is refused unread.
    std::string atCap = dir.write("at-cap.bmp", bitmap);
    ASSERT_EQ(truncate(atCap.c_str(), 64 << 20), 0);
    EXPECT_TRUE(LoadPicture(picture, atCap));
    EXPECT_EQ(picture.Image.size(), QSize(32, 16));
    std::string overCap = dir.write("over-cap.bmp", bitmap);
    ASSERT_EQ(truncate(overCap.c_str(), (64 << 20) + 1), 0);
    TBitmap kept = picture;
    EXPECT_FALSE(LoadPicture(kept, overCap));
    EXPECT_EQ(kept.Image, picture.Image) << "and the previous picture stays";
    TImageList list;
    EXPECT_FALSE(LoadImageStrip(list, overCap, clNone, 4));

    std::string link = dir.file("link.jpg");
    std::filesystem::create_symlink(kData + "flat.jpg", link);
    EXPECT_TRUE(LoadPicture(picture, link)) << "a link to a plain file is fine";
}

TEST(Pictures, PixelBombsAreRefusedBeforeDecoding) {
    testsupport::TempDir dir;
    std::string jpeg = testsupport::ReadAll(kData + "flat.jpg");
    TBitmap picture;
    TImageList list;
    // 168 bytes that claim 8192 x 8192: no picture may take 16 megapixels.
    EXPECT_FALSE(LoadPicture(picture, dir.write("bomb.jpg", withJpegSize(jpeg, 8192, 8192))));
    EXPECT_FALSE(LoadPicture(picture, dir.write("wide.jpg", flatJpeg(4097, 4096))));
    EXPECT_TRUE(LoadPicture(picture, dir.write("edge.jpg", flatJpeg(4096, 4096))));
    // Strips hold four frames, so they may be four times as large.
    EXPECT_TRUE(LoadImageStrip(list, dir.file("wide.jpg"), clNone, 4));
    EXPECT_EQ(list.Width, 1024);
    EXPECT_EQ(list.Height, 4096);
    EXPECT_FALSE(
        LoadImageStrip(list, dir.write("wider.jpg", withJpegSize(jpeg, 16385, 4096)), clNone, 4));
    EXPECT_EQ(list.Count(), 0);

    BitmapSpec oneBit{1, false, {}, {qRgb(0, 0, 0), qRgb(255, 255, 255)}};
    auto checker = [](int x, int y) { return uint32_t(x + y) % 2; };
    std::string big = dir.write("big.bmp", encode(oneBit, 4097, 4096, checker));
    EXPECT_FALSE(LoadPicture(picture, big));
    EXPECT_TRUE(LoadImageStrip(list, big, clNone, 4));
    EXPECT_EQ(list.Count(), 4);
}

TEST(Pictures, ADesignNamingDevicesFifosAndBombsLeavesTheWindowAsItWas) {
    testsupport::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.bmp").c_str(), 0600), 0);
    dir.write("bomb.jpg", withJpegSize(testsupport::ReadAll(kData + "flat.jpg"), 16384, 16384));
    std::string design = "[Form]\nGraphics=/dev/zero\n";
    for (int i = 0; i < 7; ++i)
        design += std::string("[") + kButtonSections[i] +
                  "]\nVisible=1\nGraphics=" + (i == 0 ? "fifo.bmp" : "bomb.jpg") + "\n";
    QWidget form;
    form.resize(123, 45);
    TImage background(&form);
    TImage buttons[7] = {TImage(&form), TImage(&form), TImage(&form), TImage(&form),
                         TImage(&form), TImage(&form), TImage(&form)};
    TImageList lists[7];
    DesignControls c{&form, &background};
    for (int i = 0; i < 7; ++i) {
        c.buttons[i] = &buttons[i];
        c.lists[i] = &lists[i];
    }
    LoadDesign(c, dir.write("hostile.plyxd", design));
    EXPECT_EQ(form.size(), QSize(123, 45));
    EXPECT_TRUE(background.Picture.Empty());
    for (const TImageList& list : lists)
        EXPECT_EQ(list.Count(), 0);
}

TEST(Pictures, ADesignNamingOneLargeStripOftenStopsAtItsPixelBudget) {
    testsupport::TempDir dir;
    // 16.8 megapixels: a strip may be that large, but seven of them would
    // hold half a gigabyte. A design decodes 64 megapixels in all.
    dir.write("large.jpg", flatJpeg(4100, 4096));
    std::string design;
    for (int i = 0; i < 7; ++i)
        design += std::string("[") + kButtonSections[i] + "]\nGraphics=large.jpg\n";
    QWidget form;
    std::vector<std::unique_ptr<TImage>> buttons;
    TImageList lists[7];
    DesignControls c{&form};
    for (int i = 0; i < 7; ++i) {
        buttons.push_back(std::make_unique<TImage>(&form));
        c.buttons[i] = buttons.back().get();
        c.lists[i] = &lists[i];
    }
    LoadDesign(c, dir.write("large.plyxd", design));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(lists[i].Count(), i < 3 ? 4 : 0) << kButtonSections[i];
}
