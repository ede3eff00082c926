// The two tickers: scrolling, the choice of the next headline, and moving
// through headlines and sites.

#include "engine/inet/Browser.h"
#include "engine/news/NewsGlobals.h"
#include "engine/news/NewsWindowLink.h"
#include "engine/news/TPLYXNews.h"
#include "platform/HotPath.h"
#include "platform/text/Cp932.h"

#include <algorithm>

using namespace platform;

void TPLYXNews::SetTickerControls(int i, TControl* panel, TLabel* label, TLabel* siteName) {
    TickerPanels[i] = panel;
    TickerLabels[i] = label;
    SiteNameLabels[i] = siteName;
    wakeTimer();
}

HOT_PATH bool TPLYXNews::tickerMoves(int i) const {
    if (!TickerLabels[i] || !TickerPanels[i] || Holds[i]) return false;
    INewsWindow* w = Globals().PLYXNewsWindow;
    return i != 0 || !w || w->Form()->isEnabled();
}

HOT_PATH void TPLYXNews::ScrollTicker(int i, int elapsed) {
    if (!tickerMoves(i)) return;
    TLabel* label = TickerLabels[i];
    TControl* panel = TickerPanels[i];
    // A speed of 0 or below steps on every call, as any such speed does;
    // kept at 0 the countdown cannot overflow whatever a skin says.
    int speed = std::max(Speed[i], 0);
    Countdown[i] -= elapsed;
    if (Countdown[i] > 0) return;
    // One step a call at most: a long pause does not make the text jump.
    Countdown[i] += speed;
    if (Countdown[i] <= 0) Countdown[i] = speed;
    // Wide: a step may be as large as an int holds.
    long long left = static_cast<long long>(label->geometry().x()) + Step[i];
    if (Step[i] < 0) {
        if (left < -label->width()) {
            ShowNextHeadline(i);
            left = panel->width();
        }
    } else if (left >= panel->width()) {
        ShowNextHeadline(i);
        left = -label->width();
    }
    label->Slide(static_cast<int>(left));
}

void TPLYXNews::HoldTicker(int i, int hold, bool on) {
    if (i < 0 || i > 1) return;
    Holds[i] = on ? Holds[i] | hold : Holds[i] & ~hold;
    if (!on) wakeTimer();
}

void TPLYXNews::ShowNextHeadline(int i) {
    if (sites_->Count() == 0 || sites_->IsBusy()) return;
    if (SiteIndex[i] >= sites_->Count() || SiteIndex[i] < 0) SiteIndex[i] = 0;
    TNewsSite* site = nullptr;
    std::string title, link;
    for (int wraps = 0;;) {
        TNewsSite* s = sites_->Get(SiteIndex[i]);
        if (s && s->Enabled && HeadlineIndex[i] < static_cast<int>(s->Titles.size())) {
            title = s->GetTitle(HeadlineIndex[i]);
            link = s->GetLink(HeadlineIndex[i]);
            ++HeadlineIndex[i];
            if (!title.empty()) {
                site = s;
                break;
            }
        } else {
            HeadlineIndex[i] = 0;
            if (++SiteIndex[i] >= sites_->Count()) {
                SiteIndex[i] = 0;
                if (++wraps == 2) break;
            }
        }
    }
    ShownSite[i] = site;
    if (TLabel* label = TickerLabels[i]) {
        label->AutoSize = true;
        label->SetCaption(title);
        label->AutoSize = false;
        if (TControl* panel = TickerPanels[i]) label->resize(label->width(), panel->height());
        if (auto* parent = dynamic_cast<TControl*>(label->parentWidget()))
            parent->SetHint(site ? site->Name + " - " + title : title);
    }
    if (TLabel* name = SiteNameLabels[i]) {
        name->SetCaption(site ? site->Name : std::string());
        // How the site's updates went: its time and count, or why it failed.
        name->SetHint(site ? site->Name + "\n" + StatusText(site->Status) : std::string());
    }
    // A screen reader names the news window by what it shows.
    if (INewsWindow* w = Globals().PLYXNewsWindow; w && i == 0)
        w->Form()->setAccessibleName(QString::fromStdU16String(SjisToUtf16(title)));
    HeadlineLinks[i] = link;
    SiteLinks[i] = site ? site->URL : std::string();
}

void TPLYXNews::placePastExit(int i) {
    TLabel* label = TickerLabels[i];
    TControl* panel = TickerPanels[i];
    if (label)
        label->move(Step[i] < 0 ? -label->width() : (panel ? panel->width() : 0), label->y());
    Countdown[i] = 0;
    wakeTimer();
}

void TPLYXNews::GoToHeadline(int i, int n) {
    if (sites_->Count() == 0) return;
    auto headlines = [&] {
        TNewsSite* s = sites_->Get(SiteIndex[i]);
        return s ? static_cast<int>(s->Titles.size()) : 0;
    };
    if (n < 0) {
        BackSite(i);
        n = std::max(headlines() - 1, 0);
    } else if (n >= headlines()) {
        NextSite(i);
        n = 0;
    }
    HeadlineIndex[i] = n;
    placePastExit(i);
}

void TPLYXNews::ReshowNews(int i) {
    GoToHeadline(i, HeadlineIndex[i] - 1);
}

void TPLYXNews::BackNews(int i) {
    GoToHeadline(i, HeadlineIndex[i] - 2);
}

void TPLYXNews::NextNews(int i) {
    GoToHeadline(i, HeadlineIndex[i]);
}

void TPLYXNews::SelectSite(int i, int n) {
    SiteIndex[i] = sites_->Count() == 0 ? 0 : n;
    HeadlineIndex[i] = 0;
    placePastExit(i);
}

int TPLYXNews::enabledSiteFrom(int start, int direction) const {
    int count = sites_->Count();
    if (count == 0) return 0;
    int index = start;
    for (int wraps = 0;;) {
        index += direction;
        if (index < 0 || index >= count) {
            if (++wraps == 2) return 0;
            index = index < 0 ? count - 1 : 0;
        }
        if (sites_->Get(index)->Enabled) return index;
    }
}

void TPLYXNews::BackSite(int i) {
    SelectSite(i, enabledSiteFrom(SiteIndex[i], -1));
}

void TPLYXNews::NextSite(int i) {
    SelectSite(i, enabledSiteFrom(SiteIndex[i], +1));
}

void TPLYXNews::SelectSiteByName(int i, const std::string& name) {
    int index = sites_->IndexOfName(name);
    if (index >= 0) SelectSite(i, index);
}

void TPLYXNews::SyncSites() {
    for (int i = 0; i < 2; ++i) {
        int index = sites_->IndexOf(ShownSite[i]);
        if (index < 0) {
            // The shown site is gone: never look at it again. The sites after
            // it moved up one place, so the next one may stand where it stood.
            ShownSite[i] = nullptr;
            SiteIndex[i] = std::max(SiteIndex[i] - 1, -1);
            NextSite(i);
        } else {
            SiteIndex[i] = index;
        }
    }
}

int TPLYXNews::tickerOf(const QWidget* control, const std::array<QPointer<TLabel>, 2>& labels,
                        bool panelsToo) const {
    for (int i = 0; i < 2; ++i)
        if (control && (control == labels[i] || (panelsToo && control == TickerPanels[i])))
            return i;
    return -1;
}

void TPLYXNews::OpenHeadline(QWidget* control) {
    int i = tickerOf(control, TickerLabels, true);
    if (i >= 0 && !HeadlineLinks[i].empty()) OpenLink(HeadlineLinks[i]);
}

void TPLYXNews::OpenSite(QWidget* control) {
    int i = tickerOf(control, SiteNameLabels, false);
    if (i >= 0 && !SiteLinks[i].empty()) OpenLink(SiteLinks[i]);
}
