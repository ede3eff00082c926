#include "engine/files/TIniFileEx.h"
#include "engine/window/DesignReader.h"
#include "platform/controls/OnScreen.h"
#include "platform/text/Cp932.h"

#include "tests/support/PeakMemory.h"
#include "tests/support/TempDir.h"
#include "tests/window/WindowTestData.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QTest>
#include <QToolTip>

#include <climits>
#include <string>
#include <vector>

using namespace platform;

namespace {

void mouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers keys = Qt::NoModifier) {
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, keys);
    QApplication::sendEvent(&widget, &event);
}

// Records every mouse event of a control, in order.
struct Recorder {
    std::vector<std::string> log;
    void attach(TControl& control) {
        control.OnClick = [this](TControl*) { log.push_back("click"); };
        control.OnDblClick = [this](TControl*) { log.push_back("dblclick"); };
        control.OnMouseDown = [this](TControl*, TMouseButton b, TShiftState s, int x, int y) {
            log.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " +
                          std::to_string(x) + "," + std::to_string(y));
        };
        control.OnMouseUp = [this](TControl*, TMouseButton b, TShiftState, int x, int y) {
            log.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," +
                          std::to_string(y));
        };
        control.OnMouseMove = [this](TControl*, TShiftState s, int x, int y) {
            log.push_back("move " + std::to_string(s) + " " + std::to_string(x) + "," +
                          std::to_string(y));
        };
    }
};

// Counts the events of one type an object receives.
class EventCounter : public QObject {
public:
    EventCounter(QEvent::Type type, int& count) : type_(type), count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_) ++count_;
        return false;
    }

private:
    QEvent::Type type_;
    int& count_;
};

class SubLabel : public TLabel {
public:
    using TLabel::TLabel;
};

} // namespace

TEST(Controls, MouseEventsArriveInTheClassLibrarysOrder) {
    QWidget form;
    form.resize(100, 100);
    for (TControl* control : std::initializer_list<TControl*>{
             new TImage(&form), new TLabel(&form), new TPanel(&form)}) { // owned by the form
        control->setGeometry(10, 10, 40, 20);
        Recorder r;
        r.attach(*control);
        mouse(*control, QEvent::MouseButtonPress, {3, 4}, Qt::LeftButton, Qt::ShiftModifier);
        mouse(*control, QEvent::MouseMove, {5, 6});
        mouse(*control, QEvent::MouseButtonRelease, {5, 6});
        mouse(*control, QEvent::MouseButtonDblClick, {5, 6});
        mouse(*control, QEvent::MouseButtonRelease, {5, 6});
        mouse(*control, QEvent::MouseButtonPress, {5, 6});
        mouse(*control, QEvent::MouseButtonRelease, {60, 6}); // released outside: no click
        mouse(*control, QEvent::MouseButtonPress, {1, 1}, Qt::RightButton);
        mouse(*control, QEvent::MouseButtonRelease, {1, 1}, Qt::RightButton);
        std::vector<std::string> want = {"down 0 9 3,4",  "move 8 5,6",   "click",
                                         "up 0 5,6",      "dblclick",     "down 0 72 5,6",
                                         "up 0 5,6",      "down 0 8 5,6", "up 0 60,6",
                                         "down 1 16 1,1", "up 1 1,1"};
        EXPECT_EQ(r.log, want) << typeid(*control).name();
    }
}

TEST(Controls, MouseEventsWithoutAHandlerGoToTheParentAndHandlersMayDeleteTheControl) {
    QWidget form;
    auto* panel = new TPanel(&form); // owned by the form
    panel->setGeometry(0, 0, 80, 40);
    auto* label = new TLabel(panel);
    label->setGeometry(10, 5, 30, 10);
    Recorder r;
    r.attach(*panel);
    mouse(*label, QEvent::MouseButtonPress, {2, 3});
    ASSERT_FALSE(r.log.empty());
    EXPECT_EQ(r.log[0], "down 0 8 12,8") << "in the panel's coordinates";

    int ups = 0;
    label->OnMouseUp = [&](TControl*, TMouseButton, TShiftState, int, int) { ++ups; };
    label->OnClick = [&](TControl* sender) { delete sender; };
    mouse(*label, QEvent::MouseButtonPress, {2, 3});
    mouse(*label, QEvent::MouseButtonRelease, {2, 3});
    EXPECT_EQ(ups, 0) << "the control is gone after its click";
    EXPECT_TRUE(panel->findChildren<TLabel*>().isEmpty());
}

TEST(Controls, HintsShowOnlyWithShowHint) {
    QWidget form;
    form.resize(60, 60);
    auto* label = new TLabel(&form); // owned by the form
    label->setGeometry(0, 0, 50, 20);
    label->SetHint(Utf8ToSjis("見出し"));
    form.show();
    auto ask = [&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(label, &help);
    };
    ask();
    EXPECT_FALSE(QToolTip::isVisible()) << "ShowHint is off by default";
    label->ShowHint = true;
    ask();
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString::fromUtf8("見出し"));
    QToolTip::hideText();
}

TEST(Controls, FontsFlowToChildrenThatFollowTheirParent) {
    QWidget form;
    auto* panel = new TPanel(&form); // owned by the form
    auto* news = new TLabel(panel);
    auto* own = new TLabel(panel);
    own->ParentFont = false;
    TFont big;
    big.Name = "Big";
    big.Height = -30;
    ApplyParentFont(form, big);
    EXPECT_EQ(panel->Font, big);
    EXPECT_EQ(news->Font, big) << "the form's font reaches the headline label";
    EXPECT_NE(own->Font, big);

    TFont small = big;
    small.Height = -9;
    panel->SetFont(small);
    EXPECT_FALSE(panel->ParentFont);
    EXPECT_EQ(news->Font, small);
    ApplyParentFont(form, big);
    EXPECT_EQ(panel->Font, small) << "a control with its own font keeps it";
    EXPECT_EQ(news->Font, small);

    news->SetFont(big);
    EXPECT_FALSE(news->ParentFont);
    news->SetParentFont(true);
    EXPECT_EQ(news->Font, small) << "following the parent again takes its font";
}

TEST(Controls, AMaskedStripDrawsWithItsMask) {
    TImageList list;
    TBitmap strip;
    strip.Image = QImage(8, 2, QImage::Format_RGB32);
    strip.Image.fill(qRgb(255, 0, 255));
    strip.Image.setPixel(1, 0, qRgb(0, 128, 0));
    list.Width = 2;
    list.Height = 2;
    AddToImageList(list, strip, 0xFF00FF);
    ASSERT_EQ(list.Count(), 4);
    TBitmap frame;
    ASSERT_TRUE(list.GetBitmap(0, frame));
    EXPECT_TRUE(frame.Transparent) << "no background colour: the mask is transparent";
    EXPECT_EQ(frame.TransparentColor, 0xFF00FF);

    QWidget form;
    form.resize(2, 2);
    form.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::red);
    form.setPalette(palette);
    auto* image = new TImage(&form); // owned by the form
    image->setGeometry(0, 0, 2, 2);
    image->ShowFrame(list, 0);
    QImage shown(2, 2, QImage::Format_RGB32);
    form.render(&shown);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 0)) << "the form shows through the mask";
    EXPECT_EQ(shown.pixel(1, 0), qRgb(0, 128, 0));

    // The drawn picture is kept between paints; every change to it shows.
    image->Picture.Image.setPixel(1, 0, qRgb(0, 0, 200));
    form.render(&shown);
    EXPECT_EQ(shown.pixel(1, 0), qRgb(0, 0, 200)) << "a picture changed in place";
    image->Picture.Transparent = false;
    form.render(&shown);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 255)) << "transparency switched off";
    image->ShowFrame(list, 0);
    form.render(&shown);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 0)) << "another frame, masked again";
    EXPECT_EQ(shown.pixel(1, 0), qRgb(0, 128, 0));

    list.BkColor = 0xFF0000; // blue
    ASSERT_TRUE(list.GetBitmap(0, frame));
    EXPECT_FALSE(frame.Transparent);
    EXPECT_EQ(frame.Image.pixel(0, 0), qRgb(0, 0, 255)) << "the mask takes the background colour";
    EXPECT_EQ(frame.Image.pixel(1, 0), qRgb(0, 128, 0));
    list.Masked = false;
    ASSERT_TRUE(list.GetBitmap(0, frame));
    EXPECT_EQ(frame.Image.pixel(0, 0), qRgb(255, 0, 255)) << "an unmasked list draws as stored";
}

TEST(Controls, AHugeLabelDrawsWhatIsShownWithoutAPictureOfItsWholeArea) {
    QWidget form;
    form.resize(320, 60);
    auto* label = new TLabel(&form); // owned by the form
    label->AutoSize = false;
    label->Color = 0x0000FF; // red
    label->SetCaption("A");
    label->setGeometry(0, 0, 8000, 8000); // as a design may ask: 256 MB as a picture
    QImage shown(320, 60, QImage::Format_RGB32);
    if (testsupport::PeakMemoryKb(true) < 0) GTEST_SKIP() << "no peak memory figure here";
    long before = testsupport::PeakMemoryKb(false);
    form.render(&shown);
    EXPECT_LT(testsupport::PeakMemoryKb(false) - before, 32 * 1024);
    EXPECT_EQ(shown.pixel(200, 40), qRgb(255, 0, 0));
}

// A ticker's label moves a step at a time; what the window shows after the
// steps is what painting the widgets afresh shows, and on a plain strip the
// steps cost no paint of the label.
TEST(Controls, ASlidingLabelShowsWhatARepaintWouldAndAPlainStripNeedsNone) {
    struct Case {
        const char* what;
        int step;
        bool transparent, plain;
        int coverWidth = -1;     // of a widget over the strip
        bool movedPanel = false; // the label goes to another panel first
    } cases[] = {
        {"leftwards on a plain strip", -1, false, true},
        {"three pixels rightwards", 3, false, true},
        {"a transparent label", -1, true, false},
        {"a button over the strip", -1, false, false, 20},
        {"a widget without area over the strip", -1, false, true, 0},
        {"a label moved to a panel of another colour", -1, false, true, -1, true},
    };
    for (const Case& c : cases) {
        QWidget form;
        form.resize(200, 40);
        auto* panel = new TPanel(&form); // owned by the form
        panel->setGeometry(10, 8, 120, 24);
        panel->Color = 0x203040;
        auto* label = new TLabel(panel);
        label->Color = 0x80FFFF;
        label->Font.Color = 0x800000;
        label->Transparent = c.transparent;
        label->SetCaption("Headline");
        label->move(c.step < 0 ? 90 : -60, 0);
        if (c.coverWidth >= 0) (new QWidget(&form))->setGeometry(60, 4, c.coverWidth, 20);
        if (c.movedPanel) {
            auto* other = new TPanel(&form);
            other->setGeometry(panel->geometry());
            other->Color = 0x00FF00;
            label->setParent(other);
        }
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QCoreApplication::processEvents();
        int paints = 0;
        EventCounter counter(QEvent::Paint, paints);
        label->installEventFilter(&counter);
        for (int i = 0; i < 40; ++i) {
            label->Slide(label->x() + c.step);
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(label->x(), (c.step < 0 ? 90 : -60) + 40 * c.step) << c.what;
        EXPECT_EQ(paints == 0, c.plain) << c.what;
        const auto* store = dynamic_cast<QImage*>(form.backingStore()->paintDevice());
        ASSERT_TRUE(store) << c.what;
        const QImage painted = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(store->copy(form.rect()).convertToFormat(QImage::Format_RGB32), painted)
            << c.what;
    }
}

TEST(Design, LabelKeysApplyToThePlainLabelClassOnly) {
    testsupport::TempDir dir;
    TIniFileEx ini(dir.write("d.plyxd", "[S]\nLeft=3\nTop=4\nWidth=50\nHeight=9\nAlignment=2\n"
                                        "Transparent=1\nVisible=1\nBackColor=255\n"));
    QWidget form;
    TLabel plain(&form);
    SubLabel derived(&form);
    ReadControlSection(plain, ini, "S");
    ReadControlSection(derived, ini, "S");
    EXPECT_EQ(plain.Alignment, TLabel::taCenter);
    EXPECT_TRUE(plain.Transparent);
    EXPECT_FALSE(plain.AutoSize);
    EXPECT_EQ(derived.Alignment, TLabel::taLeftJustify);
    EXPECT_FALSE(derived.Transparent);
    EXPECT_TRUE(derived.AutoSize);
    EXPECT_EQ(derived.geometry(), QRect(3, 4, 50, 9)) << "the control keys still apply";
    EXPECT_EQ(derived.Color, 255);
    EXPECT_TRUE(derived.isVisibleTo(&form));
}

TEST(Design, DoubleClicksOnTheHeadlineAndTheSiteNameReachTheirHandlers) {
    QWidget form;
    TImage background(&form);
    TPanel panel(&form);
    TLabel news(&panel), dateTime(&form), siteName(&form);
    DesignControls c{&form, &background, nullptr, nullptr, &panel, &news, &dateTime, &siteName};
    std::vector<std::string> opened;
    c.openHeadline = [&](TControl* sender) {
        opened.push_back(sender == &news ? "headline from label" : "headline from panel");
    };
    c.openSite = [&](TControl*) { opened.push_back("site"); };
    LoadDesign(c, std::string(NEWS_SOURCE_DIR) + "/demo/design/sample.plyxd");
    news.setGeometry(0, 0, 10, 10);
    mouse(news, QEvent::MouseButtonDblClick, {1, 1});
    mouse(panel, QEvent::MouseButtonDblClick, {200, 1});
    mouse(siteName, QEvent::MouseButtonDblClick, {1, 1});
    mouse(dateTime, QEvent::MouseButtonDblClick, {1, 1});
    EXPECT_EQ(opened,
              (std::vector<std::string>{"headline from label", "headline from panel", "site"}));
}

TEST(OnScreen, AWindowWithTooLittleOnEveryScreenGoesWhollyOntoTheNearest) {
    const std::vector<QRect> two{{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}};
    const QSize size(320, 60);
    struct {
        QPoint stored, want;
    } cases[] = {
        {{100, 80}, {100, 80}},       // in sight
        {{1200, 80}, {1200, 80}},     // across both
        {{-288, 80}, {-288, 80}},     // 32 pixels on the left screen
        {{-289, 80}, {0, 80}},        // 31
        {{500, 1000}, {500, 964}},    // 24 rows down the bottom edge
        {{5000, 500}, {2880, 500}},   // past the right screen
        {{-4000, -4000}, {0, 0}},     // far up and left
        {{1500, 2000}, {1500, 1020}}, // below the right screen, nearer than the left
        {{INT_MAX, INT_MIN}, {2880, 0}},
    };
    for (const auto& c : cases) {
        QPoint got = KeepOnScreens(c.stored, size, two);
        EXPECT_EQ(got, c.want) << c.stored.x() << "," << c.stored.y() << " -> " << got.x() << ","
                               << got.y();
    }
    EXPECT_EQ(KeepOnScreens({-5000, 7}, size, {}), QPoint(-5000, 7)) << "no screens known";
    EXPECT_EQ(KeepOnScreens({0, 0}, {3000, 2000}, two), QPoint(0, 0)) << "larger than a screen";
}
