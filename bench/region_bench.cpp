// Shaping a window from a 640x480 picture with a complex outline: rings,
// holes and a ragged edge, thousands of runs. Target: under 20 ms. And the
// worst picture there is, a 2048x2048 checkerboard of two million runs,
// which the shape simplifies: under 200 ms.

#include "bench/BenchSupport.h"
#include "engine/region/zelRegion.h"
#include "platform/gdi/Region.h"

#include <QApplication>
#include <QPainter>

namespace {

QImage complexPicture() {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x30, 0x50));
    p.drawEllipse(QPoint(320, 240), 300, 220);
    p.setBrush(Qt::magenta);
    for (int i = 0; i < 40; ++i)
        p.drawEllipse(QPoint(60 + (i % 8) * 70, 80 + (i / 8) * 80), 18 + i % 7, 12 + i % 5);
    p.setBrush(QColor(0x80, 0x90, 0xA0));
    for (int i = 0; i < 200; ++i)
        p.drawRect((i * 37) % 620, (i * 53) % 460, 3 + i % 9, 2 + i % 4);
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 31 + y % 7)
            image.setPixel(x, y, qRgb(255, 0, 255));
    return image;
}

void BM_RegionCreate(benchmark::State& state) {
    QWidget window;
    window.resize(640, 480);
    auto* image = new platform::TImage(&window); // owned by the window
    image->setGeometry(0, 0, 640, 480);
    image->Picture.Image = complexPicture();
    zelRegion region(image);
    region.SetTransparentColor(0xFF00FF);
    for (auto _ : state)
        region.Create();
    state.counters["rects"] = static_cast<double>(platform::RegionOf(region.Handle()).rectCount());
}

BENCHMARK(BM_RegionCreate)->Unit(benchmark::kMillisecond);

void BM_RegionCreateCheckerboard(benchmark::State& state) {
    QImage board(2048, 2048, QImage::Format_RGB32);
    for (int y = 0; y < 2048; ++y) {
        auto* line = reinterpret_cast<QRgb*>(board.scanLine(y));
        for (int x = 0; x < 2048; ++x)
            line[x] = (x + y) % 2 ? qRgb(255, 0, 255) : qRgb(0, 0, 0);
    }
    QWidget window;
    window.resize(2048, 2048);
    auto* image = new platform::TImage(&window); // owned by the window
    image->setGeometry(0, 0, 2048, 2048);
    image->Picture.Image = board;
    zelRegion region(image);
    region.SetTransparentColor(0xFF00FF);
    for (auto _ : state)
        region.Create();
    state.counters["rects"] = static_cast<double>(platform::RegionOf(region.Handle()).rectCount());
}

BENCHMARK(BM_RegionCreateCheckerboard)->Unit(benchmark::kMillisecond);

void BM_Baseline20ms(benchmark::State& state) {
    // A fixed 20 ms, so the ratio below reads as "Create / 20 ms".
    for (auto _ : state)
        state.SetIterationTime(0.020);
}
BENCHMARK(BM_Baseline20ms)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunAndCompare(
        argc, argv,
        {{"zelRegion Create, 640x480 / 20 ms", "BM_RegionCreate", "BM_Baseline20ms", 1.0},
         {"zelRegion Create, 2048x2048 checkerboard / 20 ms", "BM_RegionCreateCheckerboard",
          "BM_Baseline20ms", 10.0}});
}
