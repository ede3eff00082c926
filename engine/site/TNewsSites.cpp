#include "engine/site/TNewsSites.h"

#include "platform/fs/FileSystem.h"
#include "platform/inet/Internet.h"

#include <algorithm>

TNewsSites::TNewsSites(std::string pluginDir) : environment_(std::make_shared<SiteEnvironment>()) {
    // An empty folder would put the cache files in "/".
    environment_->pluginDir =
        pluginDir.empty() ? platform::UserCacheDir() + "/news" : std::move(pluginDir);
}

TNewsSites::~TNewsSites() {
    // Each site aborts and waits for its own download as it goes.
    OnChange = nullptr;
    OnUpdated = nullptr;
    SetCount(0);
}

TNewsSite* TNewsSites::Get(int index) const {
    return index >= 0 && index < Count() ? Items[static_cast<size_t>(index)].get() : nullptr;
}

bool TNewsSites::shrink(int count) {
    bool busy = false;
    // All aborted first: their transfers end side by side, not in turn.
    for (int i = std::max(count, 0); i < Count(); ++i)
        Items[static_cast<size_t>(i)]->Abort();
    while (Count() > std::max(count, 0)) {
        busy = busy || Items.back()->Busy;
        Items.pop_back();
    }
    return busy;
}

void TNewsSites::busyRemoved() {
    if (!IsBusy() && OnUpdated) OnUpdated(this);
}

void TNewsSites::SetCount(int count) {
    bool busy = shrink(count);
    while (Count() < count)
        Items.push_back(std::make_unique<TNewsSite>(environment_));
    if (busy) busyRemoved();
}

void TNewsSites::Clear() {
    bool busy = shrink(0);
    changed();
    if (busy) busyRemoved();
}

void TNewsSites::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    bool busy = Items[static_cast<size_t>(index)]->Busy;
    Items.erase(Items.begin() + index);
    changed();
    if (busy) busyRemoved();
}

TNewsSite* TNewsSites::Add(const std::string& name, const std::string& url, int interval,
                           bool enabled) {
    auto site = std::make_unique<TNewsSite>(environment_);
    site->Name = name;
    site->URL = url;
    site->Enabled = enabled;
    site->Interval = interval;
    site->Countdown = interval;
    site->OnUpdated = [this](TNewsSite* s) { siteFinished(s); };
    Items.push_back(std::move(site));
    changed();
    return Items.back().get();
}

int TNewsSites::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (Items[static_cast<size_t>(i)]->Name == name) return i;
    return -1;
}

int TNewsSites::IndexOf(const TNewsSite* site) const {
    for (int i = 0; i < Count(); ++i)
        if (Items[static_cast<size_t>(i)].get() == site) return i;
    return -1;
}

TNewsSite* TNewsSites::Find(const std::string& name) const {
    return Get(IndexOfName(name));
}

void TNewsSites::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count()) return;
    auto site = std::move(Items[static_cast<size_t>(from)]);
    Items.erase(Items.begin() + from);
    Items.insert(Items.begin() + to, std::move(site));
    changed();
}

void TNewsSites::Tick(int minutes) {
    for (auto& site : Items)
        if (site->Enabled) site->Tick(minutes);
}

bool TNewsSites::UpdateAll() {
    if (IsBusy()) return true;
    if (!platform::InternetAttemptConnect()) return false;
    for (auto& site : Items)
        if (site->Enabled && (site->Interval != 0 || site->Countdown >= 0)) site->Update();
    return true;
}

bool TNewsSites::IsBusy() const {
    // Asked as every site finishes: starting where a busy site was last
    // found keeps a long list's update from taking time by its square.
    size_t count = Items.size();
    for (size_t n = 0; n < count; ++n) {
        size_t i = (busyHint_ + n) % count;
        if (Items[i]->Busy) {
            busyHint_ = i;
            return true;
        }
    }
    return false;
}

bool TNewsSites::siteFinished(TNewsSite*) {
    bool busy = IsBusy();
    if (!busy && OnUpdated) OnUpdated(this);
    return busy;
}

void TNewsSites::changed() {
    if (OnChange) OnChange(this);
}
