// What a shaped window looks like on an X server: cut-away pixels show
// what is behind the window.

#include "engine/region/zelRegion.h"

#include "tests/support/EventPump.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

using namespace platform;

namespace {

constexpr TColor kMagenta = 0xFF00FF;
const QRgb kBehind = qRgb(0x20, 0x40, 0x60);
const QPoint kAt(100, 80);

// A plain backdrop of a known colour, and a frameless form above it
// holding a picture.
struct Screen {
    QWidget backdrop{nullptr, Qt::FramelessWindowHint};
    QWidget form{nullptr, Qt::FramelessWindowHint};
    TImage* image;

    explicit Screen(const QImage& picture) {
        backdrop.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(kBehind));
        backdrop.setPalette(palette);
        backdrop.setGeometry(0, 0, 600, 400);
        backdrop.show();
        form.setGeometry(QRect(kAt, picture.size()));
        image = new TImage(&form); // owned by the form
        image->setGeometry(0, 0, picture.width(), picture.height());
        image->Picture.Image = picture;
    }

    QRgb pixel(int x, int y) const {
        QImage shot = QGuiApplication::primaryScreen()
                          ->grabWindow(0, kAt.x() + x, kAt.y() + y, 1, 1)
                          .toImage();
        return shot.isNull() ? 0 : shot.pixel(0, 0) | 0xFF000000u;
    }

    // Waits until the screen shows every expected pixel.
    bool shows(std::initializer_list<std::pair<QPoint, QRgb>> expected) const {
        return testsupport::PumpUntil(
            [&] {
                for (const auto& [at, colour] : expected)
                    if (pixel(at.x(), at.y()) != colour) return false;
                return true;
            },
            5000);
    }
};

QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

TEST(RegionOnScreen, AShapeSetBeforeTheWindowIsShownHolds) {
    QImage picture = filled(40, 20, qRgb(0, 0, 255));
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 255));
    Screen screen(picture);
    zelRegion region(screen.image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    region.Set();
    screen.form.show();
    EXPECT_TRUE(screen.shows({{{5, 5}, qRgb(0, 0, 255)}, {{30, 5}, kBehind}, {{39, 19}, kBehind}}))
        << "the right half is cut away";
}

TEST(RegionOnScreen, AnAllTransparentPictureShowsNothingOfTheWindow) {
    Screen screen(filled(30, 30, qRgb(255, 0, 255)));
    zelRegion region(screen.image);
    screen.form.show();
    region.SetTransparentColor(kMagenta);
    region.Create();
    region.Set();
    EXPECT_TRUE(screen.shows({{{0, 0}, kBehind}, {{15, 15}, kBehind}, {{29, 29}, kBehind}}));
}

TEST(RegionOnScreen, AHugeCheckerboardShapeKeepsTheConnectionAndOpensTheWindow) {
    QImage board(2048, 2048, QImage::Format_RGB32);
    for (int y = 0; y < 2048; ++y) {
        auto* line = reinterpret_cast<QRgb*>(board.scanLine(y));
        for (int x = 0; x < 2048; ++x)
            line[x] = (x + y) % 2 ? qRgb(255, 0, 255) : qRgb(0, 0, 0);
    }
    Screen screen(board);
    screen.form.show();
    ASSERT_TRUE(screen.shows({{{1, 0}, qRgb(255, 0, 255)}}));
    zelRegion region(screen.image);
    region.SetTransparentColor(kMagenta);
    region.Create();
    region.Set();
    // A broken X connection would have ended the process by now.
    EXPECT_TRUE(screen.shows({{{0, 0}, qRgb(0, 0, 0)}, {{2, 0}, qRgb(0, 0, 0)}}));
    EXPECT_LE(screen.form.mask().rectCount(), 20000);
}
