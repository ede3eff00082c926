#include "engine/region/zelRegion.h"
#include "platform/gdi/Color.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using namespace platform;

namespace {

constexpr TColor kMagenta = 0xFF00FF;

// A form holding a picture the size of the image control.
struct Form {
    QWidget window;
    TImage* image;
    explicit Form(const QImage& picture, QPoint at = {0, 0}) {
        window.resize(picture.width() + at.x(), picture.height() + at.y());
        image = new TImage(&window); // owned by the window
        image->setGeometry(at.x(), at.y(), picture.width(), picture.height());
        image->Picture.Image = picture.convertToFormat(QImage::Format_RGB32);
        window.show();
    }
};

QImage picture(int w, int h, QColor fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QRegion rows(std::initializer_list<QRect> rects) {
    QRegion r;
    for (const QRect& rect : rects)
        r += rect;
    return r;
}

} // namespace

TEST(Region, APictureWithoutTransparentPixelsKeepsTheWholeRectangle) {
    Form form(picture(30, 20, Qt::blue));
    zelRegion region(form.image);
    region.SetTransparentColor(kMagenta);
    EXPECT_EQ(form.image->Picture.TransparentColor, kMagenta) << "the image is drawn with it too";
    region.Create();
    EXPECT_EQ(RegionOf(region.Handle()), QRegion(0, 0, 30, 20));
    region.Set();
    EXPECT_EQ(form.window.mask(), QRegion(0, 0, 30, 20));
}

TEST(Region, RunsCloseAtTransparentPixelsAndAtTheRowEnd) {
    QImage image = picture(7, 3, Qt::magenta);
    image.setPixel(3, 0, qRgb(0, 0, 0)); // a single opaque pixel
    for (int x = 4; x < 7; ++x)
        image.setPixel(x, 1, qRgb(1, 2, 3)); // a run to the right edge
    image.setPixel(0, 2, qRgb(255, 0, 254)); // almost magenta is opaque: exact comparison
    Form form(image);
    zelRegion region(form.image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    EXPECT_EQ(RegionOf(region.Handle()),
              rows({QRect(3, 0, 1, 1), QRect(4, 1, 3, 1), QRect(0, 2, 1, 1)}));
}

TEST(Region, AnAllTransparentPictureLeavesNothingVisible) {
    Form form(picture(10, 10, Qt::magenta));
    zelRegion region(form.image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    EXPECT_NE(region.Handle(), 0u);
    EXPECT_TRUE(RegionOf(region.Handle()).isEmpty());
}

TEST(Region, AnImagePlacedInsideItsParentShiftsTheShape) {
    QImage image = picture(4, 2, Qt::magenta);
    image.setPixel(1, 1, qRgb(9, 9, 9));
    Form form(image, QPoint(10, 5));
    zelRegion region(form.image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    EXPECT_EQ(RegionOf(region.Handle()), QRegion(11, 6, 1, 1));
    region.Set();
    EXPECT_EQ(form.window.mask(), QRegion(11, 6, 1, 1));
}

TEST(Region, SetBeforeCreateDoesNothingAndSetRepeats) {
    Form form(picture(8, 8, Qt::blue));
    zelRegion region(form.image);
    size_t live = LiveRegionCount();
    region.Set();
    EXPECT_TRUE(form.window.mask().isEmpty());
    region.SetTransparentColor(kMagenta);
    region.Create();
    region.Set();
    region.Set();
    EXPECT_EQ(form.window.mask(), QRegion(0, 0, 8, 8));
    EXPECT_EQ(LiveRegionCount(), live + 1)
        << "the window owns its copies; only the held region is live";
    region.Delete();
    EXPECT_EQ(region.Handle(), 0u);
    EXPECT_EQ(LiveRegionCount(), live);
    EXPECT_TRUE(form.window.mask().isEmpty());
}

TEST(Region, EveryFailureRaisesItsMessageAndLeavesNoHandle) {
    Form form(picture(6, 6, Qt::blue));
    size_t live = LiveRegionCount();
    {
        zelRegion region(form.image);
        region.SetTransparentColor(kMagenta);
        FailNextGdiCall(GdiCall::CombineRgn);
        try {
            region.Create();
            ADD_FAILURE() << "no exception";
        } catch (const ERegionError& e) {
            EXPECT_STREQ(e.what(), kCombineRgnFailed);
        }
        EXPECT_EQ(region.Handle(), 0u) << "a failed Create holds no region";
        region.Set(); // nothing to apply: the window keeps its shape
        EXPECT_TRUE(form.window.mask().isEmpty());

        FailNextGdiCall(GdiCall::CreateRectRgn);
        EXPECT_THROW(region.Create(), ERegionError);
        EXPECT_EQ(region.Handle(), 0u);

        region.Create();
        FailNextGdiCall(GdiCall::SetWindowRgn);
        try {
            region.Set();
            ADD_FAILURE() << "no exception";
        } catch (const ERegionError& e) {
            EXPECT_STREQ(e.what(), kSetWindowRgnFailed);
        }
        FailNextGdiCall(GdiCall::CombineRgn);
        EXPECT_THROW(region.Set(), ERegionError);
        region.Set();
        EXPECT_EQ(form.window.mask(), QRegion(0, 0, 6, 6));
    }
    EXPECT_EQ(LiveRegionCount(), live) << "no handle outlives the component";

    TImage orphan(nullptr);
    orphan.resize(2, 2);
    orphan.Picture.Image = picture(2, 2, Qt::blue);
    zelRegion region(&orphan);
    region.Create();
    try {
        region.Set();
        ADD_FAILURE() << "no exception";
    } catch (const ERegionError& e) {
        EXPECT_STREQ(e.what(), kParentNotSet);
    }
}

TEST(Region, MessagesNameTheFailedCall) {
    EXPECT_STREQ(kCreateRectRgnFailed,
                 "CreateRectRgn\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD");
    EXPECT_STREQ(
        kParentNotSet,
        "Parent\x82\xAA\x90\xDD\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1");
}

TEST(Region, SetBeforeTheWindowIsShownShapesItOnceShown) {
    QWidget window;
    window.resize(8, 4);
    auto* image = new TImage(&window); // owned by the window
    image->setGeometry(0, 0, 8, 4);
    QImage half = picture(8, 4, Qt::blue);
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x)
            half.setPixel(x, y, qRgb(255, 0, 255));
    image->Picture.Image = half;
    zelRegion region(image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    ASSERT_FALSE(window.testAttribute(Qt::WA_WState_Created));
    region.Set();
    EXPECT_EQ(window.mask(), QRegion(0, 0, 4, 4));
    window.show();
    EXPECT_EQ(window.mask(), QRegion(0, 0, 4, 4)) << "the shape holds through show()";
}

TEST(Region, AnAllTransparentPictureMasksTheWholeWindowAway) {
    Form form(picture(10, 10, Qt::magenta));
    zelRegion region(form.image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    region.Set();
    QRegion mask = form.window.mask();
    EXPECT_FALSE(mask.isEmpty()) << "an empty mask would show the whole window";
    EXPECT_TRUE(mask.intersected(form.window.rect()).isEmpty());
    EXPECT_TRUE(RegionOf(region.Handle()).isEmpty()) << "the held region stays empty";
}

TEST(Region, PicturesInAnyFormatAreScannedByTheirColours) {
    QImage source = picture(5, 2, Qt::magenta);
    source.setPixel(1, 0, qRgb(10, 20, 30));
    source.setPixel(4, 1, qRgb(10, 20, 30));
    for (QImage::Format format : {QImage::Format_RGB888, QImage::Format_Indexed8,
                                  QImage::Format_RGB16, QImage::Format_ARGB32_Premultiplied}) {
        QWidget window;
        window.resize(5, 2);
        auto* image = new TImage(&window); // owned by the window
        image->setGeometry(0, 0, 5, 2);
        image->Picture.Image = source.convertToFormat(format);
        zelRegion region(image);
        region.SetTransparentColor(kMagenta);
        region.Create();
        EXPECT_EQ(RegionOf(region.Handle()), rows({QRect(1, 0, 1, 1), QRect(4, 1, 1, 1)}))
            << "format " << format;
    }
}

TEST(Region, ColoursThatAreNoPlainRgbValueMatchNoPixel) {
    QImage image = picture(6, 2, QColor(0xF0, 0xF0, 0xF0)); // what button face looks like
    image.setPixel(2, 1, qRgb(0xC0, 0xC0, 0xC0));
    image.setPixel(3, 1, qRgb(0xFF, 0xFF, 0xFF));
    Form form(image);
    for (TColor colour : {clBtnFace, TColor(-1), TColor(0x01F0F0F0), TColor(0x80000005), clNone}) {
        zelRegion region(form.image);
        region.SetTransparentColor(colour);
        region.Create();
        EXPECT_EQ(RegionOf(region.Handle()), QRegion(0, 0, 6, 2)) << std::hex << colour;
    }
    zelRegion region(form.image);
    region.SetTransparentColor(0xF0F0F0);
    region.Create();
    EXPECT_EQ(RegionOf(region.Handle()), rows({QRect(2, 1, 2, 1)})) << "the plain value does";
}

namespace {

QImage checkerboard(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 0, 255) : qRgb(0, 0, 0));
    return image;
}

QRegion shapeOf(const QImage& image) {
    Form form(image);
    zelRegion region(form.image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    return RegionOf(region.Handle());
}

} // namespace

TEST(Region, ShapesOfTooManyRectanglesAreSimplifiedInBands) {
    // 100 runs a row: 200 rows are 20,000 rectangles, still exact.
    QRegion exact = shapeOf(checkerboard(200, 200));
    EXPECT_EQ(exact.rectCount(), 20000);
    EXPECT_FALSE(exact.contains(QPoint(1, 0)));

    // A band more: each band of 8 rows takes the columns its rows cover.
    EXPECT_EQ(shapeOf(checkerboard(200, 208)), QRegion(0, 0, 200, 208));

    // Two checkered blocks with a clear gap keep the gap.
    QImage blocks = checkerboard(1000, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 400; x < 600; ++x)
            blocks.setPixel(x, y, qRgb(255, 0, 255));
    EXPECT_EQ(shapeOf(blocks), QRegion(0, 0, 400, 100) + QRegion(600, 0, 400, 100));

    // Columns that still need too many rectangles: each band keeps only
    // the extent of its runs.
    QImage stripes(4000, 160, QImage::Format_RGB32);
    QRegion extents;
    for (int y = 0; y < 160; ++y) {
        int band = y / 8;
        for (int x = 0; x < 4000; ++x) {
            int shift = (band % 2) + (y % 2) * 2;
            stripes.setPixel(x, y, (x + 4000 - shift) % 4 == 0 ? qRgb(0, 0, 0) : qRgb(255, 0, 255));
        }
        if (y % 8 == 0) extents += QRect(band % 2, y, 3999, 8);
    }
    QRegion simplified = shapeOf(stripes);
    EXPECT_EQ(simplified, extents);

    QRegion board = shapeOf(checkerboard(2048, 2048));
    EXPECT_LE(board.rectCount(), 20000);
    EXPECT_EQ(board, QRegion(0, 0, 2048, 2048));
}
