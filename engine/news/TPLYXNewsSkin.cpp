// The engine's controls inside the player's own skin: ticker 1, the shown
// site's name, the date and three image buttons, placed where the player's
// current design says.

#include "engine/files/TIniFileEx.h"
#include "engine/news/SkinEvents.h"
#include "engine/news/TPLYXNews.h"
#include "engine/window/DesignReader.h"
#include "platform/text/CommaTextReader.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

using namespace platform;

namespace {

constexpr const char* kTicker = "Strevo";

} // namespace

int ScrollOption(std::string_view option) {
    std::string lower = SjisLowerCase(option);
    platform::CommaTextReader reader(lower);
    std::string item;
    while (reader.Next(item)) {
        size_t equals = item.find('=');
        if (equals != std::string::npos && item.substr(0, equals) == "scroll")
            return StrToIntDef(item.substr(equals + 1), 100);
    }
    return 100;
}

void TPLYXNews::BuildSkinPanels() {
    std::string design = plyx_->GetDesign();
    if (design.empty()) return;
    // A second attach with the skin flag must not leave the first panels behind.
    RemoveSkinPanels();
    plyx_->SetEvents({});
    {
        std::lock_guard lock(Lock);
        TIniFileEx ini(design);
        QWidget* owner = owner_;
        if (!skinEvents_) skinEvents_ = std::make_unique<SkinEvents>(*this);
        auto watch = [&](QWidget* w) {
            w->installEventFilter(skinEvents_.get());
            w->show();
        };
        if (ini.SectionExists(kTicker)) {
            auto* panel = new TPanel(owner);
            ReadControlSection(*panel, ini, kTicker);
            panel->SetHint("News");
            panel->ShowHint = true;
            auto* label = new TLabel(panel);
            label->Font = panel->Font;
            label->Color = panel->Color;
            label->ShowHint = true;
            label->SetHint("News");
            label->Transparent = ini.ReadBool(kTicker, "Transparent", false);
            label->AutoSize = true;
            label->SetCaption(VersionText());
            label->AutoSize = false;
            label->resize(label->width(), panel->height());
            label->show();
            watch(label);
            panel->installEventFilter(skinEvents_.get());
            TickerPanels[1] = panel;
            TickerLabels[1] = label;
            Speed[1] = ScrollOption(ini.ReadString(kTicker, "Option", ""));
            // Wide, then held to what an int holds: the skin is no trusted
            // file. A factor held first keeps the product within 64 bits.
            long long level = ini.ReadInteger(kTicker, "Level", 1);
            long long direction = std::clamp<long long>(
                ini.ReadInteger(kTicker, "Alignment", 0) * 2LL - 1, -INT32_MAX, INT32_MAX);
            Step[1] =
                static_cast<int>(std::clamp(level * direction, -1LL * INT32_MAX, 1LL * INT32_MAX));
        }
        auto label = [&](const char* section, const char* hint, const char* caption) -> TLabel* {
            if (!ini.SectionExists(section)) return nullptr;
            auto* l = new TLabel(owner);
            ReadControlSection(*l, ini, section);
            l->SetHint(hint);
            l->SetCaption(caption);
            l->installEventFilter(skinEvents_.get());
            return l;
        };
        SiteNameLabels[1] = label("NewsSitePanel", "News Site", "News");
        DateTimeLabel = label("DateTimePanel", "Date", "");
        auto button = [&](const char* section, const char* hint, TImageList& list) -> TImage* {
            if (!ini.SectionExists(section)) return nullptr;
            auto* image = new TImage(owner);
            image->setCursor(Qt::PointingHandCursor);
            ReadImageButtonSection(*image, list, ini, section);
            image->SetHint(hint);
            image->installEventFilter(skinEvents_.get());
            return image;
        };
        UpdateImage = button("UpdateNewsButton", "News Update", UpdateImages);
        PropertyImage = button("NewsPropertyButton", "News Property", PropertyImages);
        WindowImage = button("NewsWindowButton", "News Window", WindowImages);
        // The clock draws the date label at its next tick.
        LastClockHour = LastClockMinute = -1;
    }
    showUpdateImage();
    UpdateTimerState();
}

void TPLYXNews::RemoveSkinPanels() {
    plyx_->SetEvents({});
    {
        std::lock_guard lock(Lock);
        // The label before its panel; a QPointer reads null once its widget
        // has gone, so nothing is deleted twice.
        auto drop = [](auto& widget) {
            delete widget.data();
            widget = nullptr;
        };
        drop(TickerLabels[1]);
        drop(TickerPanels[1]);
        drop(SiteNameLabels[1]);
        drop(DateTimeLabel);
        drop(PropertyImage);
        PropertyImages.Clear();
        drop(UpdateImage);
        UpdateImages.Clear();
        drop(WindowImage);
        WindowImages.Clear();
    }
    UpdateTimerState();
}

void TPLYXNews::SkinImageDown(TImage* image) {
    TImageList* list = image == UpdateImage     ? &UpdateImages
                       : image == PropertyImage ? &PropertyImages
                       : image == WindowImage   ? &WindowImages
                                                : nullptr;
    if (!list || !image->isEnabled()) return;
    image->ShowFrame(*list, 2);
    image->repaint();
}

void TPLYXNews::SkinImageUp(TImage* image) {
    if (!image->isEnabled()) return;
    if (image == UpdateImage)
        showUpdateImage();
    else if (image == PropertyImage)
        image->ShowFrame(PropertyImages, 0);
    else if (image == WindowImage)
        image->ShowFrame(WindowImages, 0);
    image->repaint();
}

void TPLYXNews::SkinImageClick(TImage* image) {
    if (image == UpdateImage)
        UpdateNews(nullptr);
    else if (image == PropertyImage)
        ShowProperty();
    else if (image == WindowImage)
        ToggleWindow();
}
