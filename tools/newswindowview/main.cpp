// Shows the news window as the engine drives it, against a plain backdrop,
// with a site of sample headlines scrolling: for looking at designs and for
// the pictures in the README.
// usage: newswindowview [DESIGN.plyxd]

#include "engine/news/NewsGlobals.h"
#include "engine/news/TPLYXNews.h"
#include "engine/window/TPLYXNewsWindow.h"
#include "host/PlyxPlayer.h"
#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir folder;
    qputenv("NEWS_REGISTRY", QDir(folder.path()).filePath("registry.ini").toUtf8());
    std::string base = folder.path().toStdString() + "/";
    std::string design =
        argc > 1 ? platform::PathFromNative(QDir::current().absoluteFilePath(argv[1]).toStdString())
                 : std::string();

    QWidget backdrop(nullptr, Qt::FramelessWindowHint);
    backdrop.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x30, 0x50, 0x78));
    backdrop.setPalette(palette);
    backdrop.setGeometry(0, 0, 480, 200);
    backdrop.show();

    PlyxPlayer player({6320, true, base + "plyx"});
    player.Properties["Width"] = 1;
    player.MoveTo(40, 40);
    RegisterNewsWindow();
    TPLYXNews news(&backdrop, base);
    news.Online = false;
    news.Sites()->Clear();
    TNewsSite* site =
        news.Sites()->Add(platform::Utf8ToSjis("毎朝ニュース"), "http://www.example.jp/", 60, true);
    site->Titles = {platform::Utf8ToSjis("政府、新たな経済対策を発表（12/08 10:30）"),
                    platform::Utf8ToSjis("新駅の開業日が決定（12/08 09:15）")};
    site->Links = {"http://www.example.jp/1.html", "http://www.example.jp/2.html"};
    news.SetDesign(design);
    news.SetWindowEnabled(true);
    if (INewsWindow* window = Globals().PLYXNewsWindow) window->Form()->move(40, 40);
    news.NextSite(0);
    return QApplication::exec();
}
