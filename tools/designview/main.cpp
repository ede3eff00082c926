// Shows a window design on a form with every control the news window has:
// background, shape, headline panel, the two labels and the seven buttons.
// usage: designview FILE.plyxd [--backdrop]

#include "engine/region/zelRegion.h"
#include "engine/window/DesignReader.h"
#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || !std::strcmp(argv[1], "--help")) {
        std::fprintf(stderr, "usage: designview FILE.plyxd [--backdrop]\n");
        return argc < 2 ? 2 : 0;
    }
    // A plain backdrop behind, so a screenshot shows the window's outline.
    std::unique_ptr<QWidget> backdrop;
    if (argc > 2 && !std::strcmp(argv[2], "--backdrop")) {
        backdrop = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        backdrop->setStyleSheet("background: #d8dce4");
        backdrop->setGeometry(0, 0, 2000, 2000);
        backdrop->show();
    }

    QWidget form(nullptr, Qt::FramelessWindowHint);
    form.move(40, 30);
    auto* background = new platform::TImage(&form); // children of the form
    auto* panel = new platform::TPanel(&form);
    auto* news = new platform::TLabel(panel);
    auto* dateTime = new platform::TLabel(&form);
    auto* siteName = new platform::TLabel(&form);
    zelRegion region(background);
    platform::TFont formFont;
    DesignControls controls{&form, background, &region, &formFont, panel, news, dateTime, siteName};
    std::vector<platform::TImageList> lists(7);
    for (int i = 0; i < 7; ++i) {
        controls.buttons[i] = new platform::TImage(&form);
        controls.lists[i] = &lists[static_cast<size_t>(i)];
    }
    // What the news window would open, said on the terminal.
    controls.openHeadline = [](platform::TControl*) { std::fprintf(stderr, "open headline\n"); };
    controls.openSite = [](platform::TControl*) { std::fprintf(stderr, "open site\n"); };
    news->Caption = platform::Utf8ToSjis("政府、新たな経済対策を発表（12/08 10:30）");
    dateTime->Caption = platform::Utf8ToSjis("12/8(火) 10:30");
    siteName->Caption = platform::Utf8ToSjis("サンプル新聞");

    form.show();
    LoadDesign(controls, platform::PathFromNative(argv[1]));
    news->setGeometry(6, 0, panel->width() - 12, panel->height());
    news->AutoSize = false;
    news->CenterVertically = true;
    return QApplication::exec();
}
