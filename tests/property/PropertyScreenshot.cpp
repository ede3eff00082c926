// Shows the property dialog against a stand-in player with the default
// sites, one of them updated and two failed, and saves a picture of each
// page as the X server shows it.
// usage: property_screenshot PROPERTY.png SITES.png (on a real display)

#include "engine/news/NewsGlobals.h"
#include "engine/news/TPLYXNews.h"
#include "engine/property/TFormProperty.h"
#include "host/PlyxPlayer.h"
#include "platform/text/Cp932.h"

#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>

#include <cstdio>

namespace {

void settle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool shoot(QWidget& form, const char* file) {
    settle(800);
    QRect frame = form.frameGeometry();
    QPixmap picture =
        form.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return picture.save(QString::fromLocal8Bit(file));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: property_screenshot PROPERTY.png SITES.png\n");
        return 2;
    }
    testsupport::TempDir dir;
    setenv("NEWS_REGISTRY", dir.file("registry.ini").c_str(), 1);
    int status = 0;
    {
        PlyxPlayer player(PlyxPlayer::Options{6320, false, dir.file("plyx")});
        QWidget mainControl;
        RegisterPropertyDialog();
        TPLYXNews news(&mainControl, dir.path().string() + "/");
        news.Online = false; // no network here: the statuses below stand
        QDateTime now = QDateTime::currentDateTime();
        news.Sites()->Get(1)->Status = {now, now.addSecs(-7200), 0, "HTTP status 404"};
        news.Sites()->Get(2)->Status = {now, {}, 0, "connection refused"};
        news.Sites()->Get(7)->Status = {now, now, 18, ""};
        news.PropertyPosition = {10, 10};
        news.WindowEnabled = true;
        news.WindowLocation = 2;
        news.Design = platform::Utf8ToSjis("/usr/share/plyx/NewsDesign/夜空.plyxd");
        news.ShowProperty();
        auto* form = dynamic_cast<TFormProperty*>(Globals().FormProperty.data());
        if (!form) return 1;
        form->PageControl->setCurrentIndex(0);
        if (!shoot(*form, argv[1])) status = 1;
        form->PageControl->setCurrentIndex(1);
        form->ListViewNews->setCurrentItem(form->ListViewNews->topLevelItem(1));
        if (!shoot(*form, argv[2])) status = 1;
    }
    ResetGlobals();
    return status;
}
