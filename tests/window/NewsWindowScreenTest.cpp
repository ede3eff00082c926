// The news window as an X server shows it: shaped by its built-in picture,
// with the desktop showing through where the picture is cut away.

#include "engine/window/TPLYXNewsWindow.h"

#include "tests/support/EngineFixture.h"
#include "tests/support/EventPump.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

const QRgb kBehind = qRgb(0x20, 0x40, 0x60);
const QPoint kAt(100, 80);

QRgb screenPixel(QPoint at) {
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage();
    return shot.isNull() ? 0 : shot.pixel(0, 0) | 0xFF000000u;
}

} // namespace

TEST_F(EngineTest, TheShownNewsWindowHasItsPicturesShapeAndTheDesktopShowsThrough) {
    QWidget backdrop(nullptr, Qt::FramelessWindowHint);
    backdrop.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(kBehind));
    backdrop.setPalette(palette);
    backdrop.setGeometry(0, 0, 600, 400);
    backdrop.show();

    RegisterNewsWindow();
    writeSettings("[PLYXNews]\r\nVersion=6320\r\nWindowEnabled=1\r\nWindowPosition=100,80\r\n");
    start();
    ASSERT_TRUE(news->CreateNewsWindow());
    auto* window = static_cast<TPLYXNewsWindow*>(Globals().PLYXNewsWindow);
    news->SetWindowEnabled(true);
    window->move(kAt);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return window->isVisible(); }));

    // The mask is the picture's shape: every pixel but the cut-away colour.
    const QImage& picture = window->ImageForm->Picture.Image;
    ASSERT_EQ(picture.size(), QSize(320, 60));
    QRegion mask = window->mask();
    int cut = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            bool away = (picture.pixel(x, y) & 0xFFFFFF) == 0x008080; // 0x808000 as RGB
            cut += away;
            ASSERT_EQ(mask.contains(QPoint(x, y)), !away) << x << "," << y;
        }
    EXPECT_GT(cut, 0) << "the built-in picture has cut-away corners";

    // On screen: the top-left corner shows the backdrop, the middle the window.
    EXPECT_TRUE(testsupport::PumpUntil(
        [&] { return screenPixel(kAt) == kBehind && screenPixel(kAt + QPoint(160, 5)) != kBehind; },
        5000));
}
