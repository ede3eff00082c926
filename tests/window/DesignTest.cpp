#include "engine/region/zelRegion.h"
#include "engine/window/DesignReader.h"
#include "platform/gdi/BitmapFile.h"
#include "platform/text/Cp932.h"

#include "tests/support/AllocationCounter.h"
#include "tests/support/TempDir.h"
#include "tests/window/WindowTestData.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>

#include <climits>
#include <cstdlib>

using namespace platform;

namespace {

const std::string kDemo = std::string(NEWS_SOURCE_DIR) + "/demo/design/";

struct Font {
    std::string name = "Old";
    int height = -11;
    int charset = 128;
    uint8_t style = fsItalic;
    bool operator==(const Font&) const = default;
};

Font parse(const std::string& spec) {
    Font f;
    ParseFontSpec(Utf8ToSjis(spec), f.name, f.height, f.charset, f.style);
    f.name = SjisToUtf8(f.name);
    return f;
}

} // namespace

TEST(FontSpec, ChangesOnlyWhatItNames) {
    struct Case {
        const char* spec;
        Font want;
    } cases[] = {
        {"font=Arial,9,bold,russian", {"Arial", -12, 204, fsBold}},
        {"Arial,-20", {"Arial", -20, 1, fsItalic}},
        {",,", {"Old", -11, 128, fsItalic}},
        {"", {"Old", -11, 128, fsItalic}},
        {"Tahoma,0,NORMAL", {"Tahoma", -11, 1, 0}},
        {"x,12,SHIFTJIS,GREEK", {"x", -16, 128, fsItalic}}, // the earlier charset row wins
        {"x,10,greek,shiftjis", {"x", -13, 128, fsItalic}},
        {"\"ＭＳ Ｐゴシック\",12,BOLD,ITALIC,UNDERLINE,STRIKEOUT", {"ＭＳ Ｐゴシック", -16, 1, 15}},
        {"Style=1 FONT=\"Times New Roman\",9,oem", {"Times New Roman", -12, 255, fsItalic}},
        {",bad,bold", {"Old", -11, 128, fsBold}},
        {",,DEFAULT", {"Old", -11, 1, fsItalic}},
        {"\"ＭＳ Ｐゴシック\",-12,DEFAULT", {"ＭＳ Ｐゴシック", -12, 1, fsItalic}},
        // Absurd sizes end at 1000 pixels, never at a negated INT_MIN.
        {",$00060000000,$016", {"Old", -1000, 128, fsItalic}},
        {",2147483647", {"Old", -1000, 128, fsItalic}},
        {",-2147483648", {"Old", -1000, 128, fsItalic}},
        {",-1001", {"Old", -1000, 128, fsItalic}},
        {",750", {"Old", -1000, 128, fsItalic}},
        {",749", {"Old", -998, 128, fsItalic}},
        {",1", {"Old", -1, 128, fsItalic}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.spec), c.want) << c.spec;

    TFont font;
    font.Style = fsUnderline;
    ApplyFontSpec(font, kDefaultFontSpec);
    EXPECT_EQ(SjisToUtf8(font.Name), "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.Height, -12);
    EXPECT_EQ(font.Charset, 1);
    EXPECT_EQ(font.Style, fsUnderline);
}

TEST(FontSpec, MillionsOfItemsCostNoMoreThanTheSpecItself) {
    // A design's font may be followed by millions of empty items; the words
    // after them still count.
    std::string spec = "Arial,9" + std::string(4 << 20, ',') + "bold,russian";
    Font f;
    testsupport::AllocationCounter counter;
    ParseFontSpec(spec, f.name, f.height, f.charset, f.style);
    EXPECT_LT(counter.Bytes(), spec.size());
    EXPECT_EQ(f, (Font{"Arial", -12, 204, fsBold}));
}

TEST(Pictures, JpegAndBitmapLoadByExtensionAndDecodeTheSamePixels) {
    TBitmap jpeg, bitmap;
    ASSERT_TRUE(LoadPicture(jpeg, kData + "flat.jpg"));
    ASSERT_TRUE(LoadPicture(bitmap, kData + "flat.bmp"));
    EXPECT_EQ(jpeg.Image.size(), QSize(32, 16));
    EXPECT_EQ(jpeg.Image, bitmap.Image) << "a flat picture survives JPEG unchanged";

    testsupport::TempDir dir;
    std::string bmpBytes = testsupport::ReadAll(kData + "flat.bmp");
    std::string asPng = dir.write("really-a-bitmap.png", bmpBytes);
    TBitmap loaded;
    EXPECT_TRUE(LoadPicture(loaded, asPng)) << "any other extension is read as a bitmap";
    EXPECT_EQ(loaded.Image, bitmap.Image);

    std::string jpegBytes = testsupport::ReadAll(kData + "flat.jpg");
    std::string broken = dir.write("BROKEN.JPG", jpegBytes.substr(0, 40));
    TBitmap kept = bitmap;
    EXPECT_FALSE(LoadPicture(kept, broken)) << "an upper-case JPG that does not decode fails";
    EXPECT_EQ(kept.Image, bitmap.Image) << "and leaves the bitmap alone";
    EXPECT_TRUE(LoadPicture(kept, dir.write("bitmap.JPEG", bmpBytes)))
        << "a bitmap named .jpeg still loads";
    EXPECT_FALSE(LoadPicture(kept, ""));
    EXPECT_FALSE(LoadPicture(kept, dir.file("missing.bmp")));
}

TEST(Pictures, BitmapsOfEveryDepthAndOrientationDecode) {
    QImage source(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            source.setPixel(x, y, qRgb(x * 50, y * 100, 200));
    std::string bottomUp = EncodeBitmap24(source);
    QImage decoded;
    ASSERT_TRUE(DecodeBitmap(bottomUp, decoded));
    EXPECT_EQ(decoded, source);

    // The same rows stored top-down: a negative height.
    std::string topDown = bottomUp;
    int32_t negative = -3;
    std::memcpy(topDown.data() + 22, &negative, 4);
    size_t stride = 16;
    for (int row = 0; row < 3; ++row)
        topDown.replace(54 + row * stride, stride,
                        bottomUp.substr(54 + (2 - row) * stride, stride));
    ASSERT_TRUE(DecodeBitmap(topDown, decoded));
    EXPECT_EQ(decoded, source);

    int bits = 0;
    ASSERT_TRUE(DecodeBitmap(testsupport::ReadAll(kData + "strip1bit.bmp"), decoded, &bits));
    EXPECT_EQ(bits, 1);
    EXPECT_EQ(decoded.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(decoded.pixel(12, 0), qRgb(255, 255, 255));

    for (std::string bad : {std::string(), std::string("BM"), bottomUp.substr(0, 60),
                            std::string("XX") + bottomUp.substr(2)})
        EXPECT_FALSE(DecodeBitmap(bad, decoded));
    std::string huge = bottomUp;
    int32_t side = 1 << 20;
    std::memcpy(huge.data() + 18, &side, 4);
    EXPECT_FALSE(DecodeBitmap(huge, decoded)) << "a forged size fails instead of allocating";
}

TEST(Pictures, StripsAreCutIntoFourFramesAndRemaindersDropped) {
    TImageList list;
    ASSERT_TRUE(LoadImageStrip(list, kData + "strip1bit.bmp", clNone, 4));
    EXPECT_EQ(list.Width, 12) << "50 / 4";
    EXPECT_EQ(list.Height, 10);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_TRUE(list.Masked) << "a one-bit picture is masked in black";
    EXPECT_EQ(list.BkColor, 16777215);
    TBitmap frame;
    ASSERT_TRUE(list.GetBitmap(2, frame));
    EXPECT_EQ(frame.Image.pixel(0, 0), qRgb(255, 255, 255))
        << "frame 2 starts at x 24, black, which the mask draws in the list's white";
    list.Masked = false;
    ASSERT_TRUE(list.GetBitmap(2, frame));
    EXPECT_EQ(frame.Image.pixel(0, 0), qRgb(0, 0, 0)) << "as stored";

    TBitmap colour;
    ASSERT_TRUE(LoadPicture(colour, kData + "flat.bmp"));
    AddToImageList(list, colour, clNone);
    EXPECT_FALSE(list.Masked);
    EXPECT_EQ(list.BkColor, clNone);
    AddToImageList(list, colour, 0xFF00FF);
    EXPECT_TRUE(list.Masked);

    EXPECT_FALSE(LoadImageStrip(list, kData + "missing.bmp", clNone, 4));
    EXPECT_EQ(list.Count(), 0) << "a failed strip leaves the list empty";
}

TEST(Design, TheSampleDesignPlacesEveryControlAndShapesTheWindow) {
    QWidget form;
    TImage background(&form);
    zelRegion region(&background);
    TFont formFont;
    TPanel panel(&form);
    TLabel news(&panel), dateTime(&form), siteName(&form);
    std::vector<std::unique_ptr<TImage>> buttons;
    TImageList lists[7];
    DesignControls c{&form, &background, &region, &formFont, &panel, &news, &dateTime, &siteName};
    for (int i = 0; i < 7; ++i) {
        buttons.push_back(std::make_unique<TImage>(&form));
        c.buttons[i] = buttons.back().get();
        c.lists[i] = &lists[i];
    }
    form.show();
    auto before = std::filesystem::current_path();
    testsupport::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.path());
    LoadDesign(c, kDemo + "sample.plyxd");
    EXPECT_EQ(std::filesystem::current_path(), elsewhere.path());
    std::filesystem::current_path(before);

    EXPECT_EQ(form.size(), QSize(400, 140));
    QRegion shape = form.mask();
    EXPECT_FALSE(shape.contains(QPoint(0, 0))) << "the rounded corner is cut away";
    EXPECT_TRUE(shape.contains(QPoint(200, 70)));
    EXPECT_FALSE(shape.contains(QPoint(370, 120))) << "the hole in the skin";
    EXPECT_EQ(SjisToUtf8(formFont.Name), "ＭＳ Ｐゴシック");
    EXPECT_EQ(formFont.Height, -12);

    EXPECT_EQ(panel.geometry(), QRect(20, 56, 360, 30));
    EXPECT_TRUE(panel.isVisibleTo(&form));
    EXPECT_EQ(panel.Font.Style, fsBold);
    EXPECT_EQ(panel.Font.Charset, 128);
    EXPECT_EQ(panel.Color, 0x301C10);
    EXPECT_EQ(news.Font.Height, panel.Font.Height) << "the headline label takes the panel's font";
    EXPECT_TRUE(news.isVisibleTo(&form));
    EXPECT_EQ(dateTime.Alignment, TLabel::taRightJustify);
    EXPECT_TRUE(dateTime.Transparent);
    EXPECT_FALSE(dateTime.AutoSize);
    EXPECT_FALSE(dateTime.ShowAccelChar);
    EXPECT_TRUE(dateTime.CenterVertically);
    EXPECT_EQ(dateTime.Font.Color, 0x40C0FF);
    EXPECT_EQ(dateTime.Font.Height, -13);
    EXPECT_EQ(siteName.geometry(), QRect(48, 14, 190, 24));

    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(buttons[i]->isVisibleTo(&form)) << kButtonSections[i];
        EXPECT_EQ(buttons[i]->size(), QSize(24, 24)) << kButtonSections[i];
        EXPECT_EQ(lists[i].Count(), 4) << kButtonSections[i];
        EXPECT_FALSE(buttons[i]->Picture.Empty()) << kButtonSections[i];
    }
    EXPECT_EQ(buttons[3]->pos(), QPoint(50, 98)) << "Rewind, its path through images\\..";
}

namespace {

// A form with every control a design dresses.
struct DesignForm {
    QWidget form;
    TImage* background = new TImage(&form); // the controls are the form's children
    zelRegion region{background};
    TFont formFont;
    TPanel* panel = new TPanel(&form);
    TLabel* news = new TLabel(panel);
    TLabel* dateTime = new TLabel(&form);
    TLabel* siteName = new TLabel(&form);
    TImageList lists[7];
    DesignControls c{&form, background, &region, &formFont, panel, news, dateTime, siteName};
    DesignForm() {
        for (int i = 0; i < 7; ++i) {
            c.buttons[i] = new TImage(&form);
            c.lists[i] = &lists[i];
        }
    }
};

} // namespace

TEST(Design, ABareDesignNameFindsItsPicturesInTheCurrentFolder) {
    testsupport::TempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(kDemo))
        std::filesystem::copy_file(entry.path(), dir.path() / entry.path().filename());
    DesignForm f;
    auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    LoadDesign(f.c, "sample.plyxd");
    std::filesystem::current_path(before);
    EXPECT_EQ(f.form.size(), QSize(400, 140));
    EXPECT_EQ(f.lists[3].Count(), 4) << "Rewind, named images\\..\\rewind.jpg";
    EXPECT_EQ(f.lists[0].Count(), 4);
}

TEST(Design, AMissingDesignReadsAsAllDefaults) {
    QWidget form;
    form.resize(123, 45);
    TImage background(&form);
    zelRegion region(&background);
    TPanel panel(&form);
    TLabel dateTime(&form);
    TImage button(&form);
    TImageList list;
    list.Width = 20;
    list.Height = 10;
    DesignControls c{&form, &background, &region, nullptr, &panel, nullptr, &dateTime, nullptr};
    c.buttons[0] = &button;
    c.lists[0] = &list;
    form.show();
    LoadDesign(c, "/nonexistent/design.plyxd");
    EXPECT_EQ(form.size(), QSize(123, 45)) << "the window keeps its size";
    EXPECT_TRUE(form.mask().isEmpty()) << "a plain rectangle";
    EXPECT_EQ(panel.size(), QSize(0, 0));
    EXPECT_FALSE(panel.isVisibleTo(&form));
    EXPECT_FALSE(dateTime.isVisibleTo(&form));
    EXPECT_EQ(dateTime.Font.Color, 16777215);
    EXPECT_FALSE(button.isVisibleTo(&form));
    EXPECT_EQ(button.size(), QSize(20, 10)) << "the button keeps its list's frame size";

    LoadDesign(c, "");
    EXPECT_EQ(form.size(), QSize(123, 45));
}

TEST(Controls, LabelsSizeToTheirTextAndButtonsShowAnyFrame) {
    QWidget form;
    TLabel label(&form);
    label.Font.Height = -20;
    label.SetCaption("A&B wide caption");
    EXPECT_GT(label.width(), 60);
    EXPECT_GE(label.height(), 20);
    label.AutoSize = false;
    label.resize(10, 10);
    label.SetCaption("longer still and longer");
    EXPECT_EQ(label.size(), QSize(10, 10)) << "a label that does not size itself keeps its size";

    TImageList list;
    ASSERT_TRUE(LoadImageStrip(list, kData + "strip1bit.bmp", clNone, 4));
    list.Masked = false; // the frames as stored
    TImage image(&form);
    image.ShowFrame(list, 1);
    EXPECT_EQ(image.Picture.Image.pixel(0, 0), qRgb(255, 255, 255))
        << "frame 1 starts at x 12: white";
    image.ShowFrame(list, 2);
    EXPECT_EQ(image.Picture.Image.pixel(0, 0), qRgb(0, 0, 0));
    image.ShowFrame(list, 9);
    EXPECT_EQ(image.Picture.Image.pixel(0, 0), qRgb(0, 0, 0)) << "no such frame: the picture stays";
}

TEST(Controls, AbsurdFontHeightsAreClampedBeforeUse) {
    struct Case {
        int height;
        int pixels;
    } cases[] = {{INT_MIN, 1000}, {INT_MAX, 1000}, {-1001, 1000}, {1001, 1000},
                 {-1000, 1000},   {-1, 1},         {1, 1}};
    for (const Case& c : cases) {
        TFont font;
        font.Height = c.height;
        EXPECT_EQ(ToQFont(font).pixelSize(), c.pixels) << c.height;
        EXPECT_LE(std::abs(font.Size()), 750) << c.height;
    }

    TFont font;
    font.SetSize(INT_MAX);
    EXPECT_EQ(font.Height, -1000);
    font.SetSize(-INT_MAX);
    EXPECT_EQ(font.Height, 1000);
    font.SetSize(9);
    EXPECT_EQ(font.Height, -12);
    font.SetHeight(INT_MIN);
    EXPECT_EQ(font.Height, -1000);
    font.SetHeight(0);
    EXPECT_EQ(font.Height, 0) << "0 keeps meaning the default size";
}

TEST(Controls, JapaneseFaceNamesMapToTheInstalledIpaFonts) {
    struct Case {
        const char* face;
        const char* family;
    } cases[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},
        {"ＭＳ 明朝", "IPAMincho"},
    };
    for (const Case& c : cases) {
        TFont font;
        font.Name = Utf8ToSjis(c.face);
        font.Height = -16;
        font.Style = fsBold | fsUnderline;
        QFont q = ToQFont(font);
        EXPECT_EQ(QFont::substitute(q.family()).compare(c.family, Qt::CaseInsensitive), 0)
            << c.face;
        EXPECT_EQ(QFontInfo(q).family().compare(c.family, Qt::CaseInsensitive), 0)
            << c.face << " drew " << QFontInfo(q).family().toStdString()
            << ": is fonts-ipafont installed?";
        EXPECT_EQ(q.pixelSize(), 16);
        EXPECT_TRUE(q.bold());
        EXPECT_TRUE(q.underline());
        EXPECT_FALSE(q.italic());
    }
}
