// The news window as an X server shows it: shaped by its built-in picture,
// with the desktop showing through where the picture is cut away.

#include "engine/window/TPLYXNewsWindow.h"
#include "host/PlyxWindow.h"
#include "platform/controls/MenuText.h"

#include "tests/support/EngineFixture.h"
#include "tests/support/EventPump.h"
#include "tests/support/RecordingBrowser.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <memory>

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

namespace {

// The icon the X server holds for the window, as a task bar reads it.
bool HasNetWmIcon(QWidget* window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return false;
    xcb_connection_t* c = x11->connection();
    auto freed = [](void* p) { std::free(p); };
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(freed)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, 12, "_NET_WM_ICON"), nullptr), freed);
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    auto id = static_cast<xcb_window_t>(window->winId());
    std::unique_ptr<xcb_get_property_reply_t, decltype(freed)> icon(
        xcb_get_property_reply(c, xcb_get_property(c, 0, id, atom->atom, XCB_ATOM_CARDINAL, 0, 2),
                               nullptr),
        freed);
    return icon && xcb_get_property_value_length(icon.get()) == 8 &&
           static_cast<const uint32_t*>(xcb_get_property_value(icon.get()))[0] > 0;
}

void send(QWidget* to, QEvent::Type type, QPoint global, Qt::MouseButton button,
          Qt::MouseButtons held) {
    QMouseEvent event(type, to->mapFromGlobal(global), global, button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(int& count) : count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        count_ += event->type() == QEvent::Paint;
        return false;
    }

private:
    int& count_;
};

class ShownWindowTest : public EngineTest {
protected:
    void open(const std::string& settings) {
        RegisterNewsWindow();
        writeSettings("[PLYXNews]\r\nVersion=6320\r\nWindowEnabled=1\r\n" + settings);
        player->Properties["Width"] = 400;
        player->Properties["Height"] = 120;
        player->MoveTo(200, 150);
        start();
        ASSERT_TRUE(news->CreateNewsWindow());
        window = static_cast<TPLYXNewsWindow*>(Globals().PLYXNewsWindow);
        news->SetWindowEnabled(true);
        ASSERT_TRUE(testsupport::PumpUntil([&] { return window->isVisible(); }));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    TPLYXNewsWindow* window = nullptr;
};

} // namespace

TEST_F(ShownWindowTest, DraggingTheDockedWindowMovesThePlayersWindowAndItStaysDocked) {
    PlyxWindow playerWindow(*player);
    playerWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&playerWindow));
    open("WindowLocation=2\r\n");
    ASSERT_TRUE(testsupport::PumpUntil([&] { return window->pos() == QPoint(240, 270); }))
        << window->pos().x() << "," << window->pos().y();

    QWidget* grip = window->LabelDateTime;
    QPoint from = grip->mapToGlobal(QPoint(5, 5));
    send(grip, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step) {
        send(grip, QEvent::MouseMove, from + QPoint(15, 10) * step, Qt::NoButton, Qt::LeftButton);
        QTest::qWait(20);
    }
    send(grip, QEvent::MouseButtonRelease, from + QPoint(60, 40), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return playerWindow.pos() == QPoint(260, 190); }))
        << playerWindow.pos().x() << "," << playerWindow.pos().y();
    QTest::qWait(100);
    EXPECT_EQ(window->pos(), QPoint(300, 310));

    // The player dragged on its own takes the window along, where it shows.
    playerWindow.move(100, 100);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return window->pos() == QPoint(140, 220); }))
        << window->pos().x() << "," << window->pos().y();
}

TEST_F(ShownWindowTest, AFreeWindowStoredBeyondEveryScreenOpensOnTheNearestOne) {
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    open("WindowLocation=0\r\nWindowPosition=" + std::to_string(screen.right() + 3000) + ",20\r\n");
    EXPECT_TRUE(screen.contains(window->geometry()))
        << window->x() << "," << window->y() << " on " << screen.width() << "x" << screen.height();
    EXPECT_EQ(window->y(), std::max(20, screen.y()));
    EXPECT_EQ(window->x(), screen.right() + 1 - window->width());
}

TEST_F(ShownWindowTest, TheBuiltInButtonsShowTheWindowBehindTheirCorners) {
    open("WindowLocation=0\r\nWindowPosition=100,80\r\n");
    window->move(kAt);
    const QRgb teal = qRgb(0x00, 0x80, 0x80);
    for (platform::TImage* button : {window->ImageProperty, window->ImageBackNews,
                                     window->ImageNextNews, window->ImageBackSite}) {
        button->show();
        button->repaint();
        QPoint corner = button->mapToGlobal(QPoint(0, 0));
        ASSERT_EQ(button->Picture.Image.pixel(0, 0) | 0xFF000000u, teal)
            << "the picture's corner is the cut-away colour";
        EXPECT_TRUE(testsupport::PumpUntil([&] { return screenPixel(corner) != teal; }, 2000))
            << button->toolTip().toStdString();
    }
}

TEST_F(ShownWindowTest, LongSiteNamesAreCutShortInTheSiteMenuAndShownWholeInTheirTips) {
    std::string longName(120, 'N');
    open("[Site]\r\n" + longName +
         "=\"http://a.example/\",1,60\r\nA&B=\"http://b.example/\",1,60\r\n");
    QList<QAction*> entries = window->PopupNewsSite->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QString(39, 'N') + QChar(0x2026));
    EXPECT_EQ(entries[0]->toolTip(), QString::fromStdString(longName));
    EXPECT_EQ(entries[1]->text(), "A&&B");
    EXPECT_EQ(entries[1]->toolTip(), "A&B");
    window->PopupMenuPopup();
    window->PopupNewsSite->popup(window->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->PopupNewsSite));
    EXPECT_LT(window->PopupNewsSite->width(), 500);
    window->PopupNewsSite->hide();
    EXPECT_EQ(platform::ElideMenuText(QString(38, 'x') + QStringLiteral("\U0001F600\U0001F600")),
              QString(38, 'x') + QChar(0x2026))
        << "no half characters";
}

namespace {

class TickingWindowTest : public ShownWindowTest {
protected:
    void open(const std::string& more = "") {
        ShownWindowTest::open("WindowLocation=0\r\nWindowPosition=100,80\r\n" + more +
                              "[Site]\r\nA=\"http://a.example/\",1,60\r\n"
                              "B=\"http://b.example/\",1,60\r\n");
        fill(news->Sites()->Get(0), 3);
        fill(news->Sites()->Get(1), 3);
        news->SelectSite(0, 0);
        news->ScrollTicker(0, 1000000);
        shown = window->LabelNews->Caption;
    }
    // Whether a ticker step moves the headline.
    bool moves() {
        int before = window->LabelNews->x();
        news->ScrollTicker(0, 1000000);
        return window->LabelNews->x() != before;
    }
    void key(Qt::Key k) { QTest::keyClick(window, k); }
    std::string shown;
};

} // namespace

TEST_F(TickingWindowTest, KeysStepThroughHeadlinesAndSitesPauseAndOpenTheMenu) {
    open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(shown, "A header");
    struct {
        Qt::Key key;
        const char* then;
    } steps[] = {{Qt::Key_Right, "A 1"},
                 {Qt::Key_Right, "A 2"},
                 {Qt::Key_Left, "A 1"},
                 {Qt::Key_Down, "B header"},
                 {Qt::Key_Up, "A header"}};
    for (const auto& s : steps) {
        key(s.key);
        news->ScrollTicker(0, 1000000);
        EXPECT_EQ(window->LabelNews->Caption, s.then) << s.key;
    }
    EXPECT_TRUE(moves());
    key(Qt::Key_Space);
    EXPECT_FALSE(moves()) << "paused";
    key(Qt::Key_Space);
    EXPECT_TRUE(moves());

    testsupport::RecordingBrowser browser;
    key(Qt::Key_Return);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return browser.started(); }));
    EXPECT_NE(browser.arguments().find("http://a.example/\n"), std::string::npos);

    key(Qt::Key_Menu);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return window->PopupMenu->isVisible(); }));
    window->PopupMenu->hide();
}

TEST_F(TickingWindowTest, TheStepsOnScreenShowWhatARepaintWouldWithoutPaintingTheHeadline) {
    open();
    QCursor::setPos(window->mapToGlobal(QPoint(0, -40)));
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !window->PanelNews->underMouse(); }));
    QCoreApplication::processEvents(); // the headline's first paint
    int paints = 0;
    PaintCounter counter(paints);
    window->LabelNews->installEventFilter(&counter);
    for (int i = 0; i < 60; ++i) {
        news->ScrollTicker(0, 1000000);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(window->LabelNews->Caption, shown);
    EXPECT_EQ(paints, 0) << "the steps scroll the window's picture";
    const QRect strip(window->PanelNews->mapTo(window, QPoint()), window->PanelNews->size());
    const QImage painted = window->grab(strip).toImage().convertToFormat(QImage::Format_RGB32);
    auto onScreen = [&] {
        return QGuiApplication::primaryScreen()
            ->grabWindow(window->winId(), strip.x(), strip.y(), strip.width(), strip.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_TRUE(testsupport::PumpUntil([&] { return onScreen() == painted; }));

    // Uncovered, the strip shows the headline where the steps left it.
    QWidget cover(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    cover.setGeometry(QRect(window->mapToGlobal(strip.topLeft()), strip.size()));
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    cover.hide();
    EXPECT_TRUE(testsupport::PumpUntil([&] { return onScreen() == painted; }));

    // A headline too long for one request to carry its picture.
    platform::TLabel* label = window->LabelNews;
    label->AutoSize = true;
    label->SetCaption(std::string(900, 'W'));
    label->AutoSize = false;
    label->resize(label->width(), window->PanelNews->height());
    ASSERT_GT(label->width() * label->height() * 4, 1 << 20);
    label->move(-label->width() / 2, 0);
    QCoreApplication::processEvents();
    for (int i = 0; i < 5; ++i)
        label->Slide(label->x() - 1);
    const QImage longOne = window->grab(strip).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return onScreen() == longOne; }));

    // Steps alone, past where the connection's sequence numbers wrap: a
    // request with a reply still gets it.
    for (int i = 0; i < 70000; ++i)
        label->Slide(label->x() + (i % 2 ? 1 : -1));
    xcb_connection_t* c =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const unsigned int focus = xcb_get_input_focus(c).sequence;
    xcb_flush(c);
    void* reply = nullptr;
    EXPECT_TRUE(testsupport::PumpUntil(
        [&] { return xcb_poll_for_reply(c, focus, &reply, nullptr) && reply; }));
    std::free(reply);
}

TEST_F(TickingWindowTest, ThePointerOnTheTickerHoldsItUnlessSetOtherwise) {
    for (bool pauses : {true, false}) {
        open(pauses ? "" : "PauseOnHover=0\r\n");
        QCursor::setPos(window->PanelNews->mapToGlobal(window->PanelNews->rect().center()));
        ASSERT_TRUE(testsupport::PumpUntil([&] { return window->PanelNews->underMouse(); }));
        EXPECT_EQ(moves(), !pauses);
        QCursor::setPos(window->mapToGlobal(QPoint(0, -40)));
        ASSERT_TRUE(testsupport::PumpUntil([&] { return !window->PanelNews->underMouse(); }));
        EXPECT_TRUE(moves());
        news.reset();
        ResetGlobals();
    }
}

TEST_F(TickingWindowTest, ScreenReadersFindANameAndDescriptionOnEveryPart) {
    open();
    news->ScrollTicker(0, 1000000);
    EXPECT_EQ(window->accessibleName().toStdString(), window->LabelNews->Caption);
    for (QWidget* part : window->findChildren<QWidget*>()) {
        if (part == window->ImageForm || !part->isVisible()) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(part);
        ASSERT_TRUE(a);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << part->toolTip().toStdString();
        EXPECT_FALSE(a->text(QAccessible::Description).isEmpty()) << part->toolTip().toStdString();
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window->ImageUpdate)->text(QAccessible::Name),
              "Update News");
}

TEST_F(TickingWindowTest, AMinimisedWindowComesBackFromItsMenuAndThePlayers) {
    PlyxWindow playerWindow(*player);
    EXPECT_FALSE(playerWindow.windowIcon().isNull());
    open();
    EXPECT_FALSE(window->windowIcon().isNull()) << "the player's icon";
    playerWindow.show();
    EXPECT_TRUE(testsupport::PumpUntil([&] { return HasNetWmIcon(&playerWindow); }));
    EXPECT_TRUE(testsupport::PumpUntil([&] { return HasNetWmIcon(window); }));
    for (int way = 0; way < 2; ++way) {
        window->PopupMenuPopup();
        window->PopupMinimize->trigger();
        ASSERT_TRUE(window->isMinimized()) << way;
        window->PopupMenuPopup();
        ASSERT_TRUE(window->PopupNormal->isEnabled());
        if (way == 0)
            window->PopupNormal->trigger();
        else
            news->ToggleWindow(); // the player's menu entry
        EXPECT_TRUE(testsupport::PumpUntil([&] { return !window->isMinimized(); })) << way;
        EXPECT_TRUE(window->isVisible()) << way;
    }
}
