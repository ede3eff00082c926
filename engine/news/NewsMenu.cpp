#include "engine/news/NewsMenu.h"

#include "engine/news/TPLYXNews.h"
#include "platform/text/Cp932.h"

#include <string_view>
#include <unordered_map>

using platform::Utf8ToSjis;

long NewsMenu::add(long parent, const std::string& caption, std::function<void()> command) {
    TPLYXMenu* menu = plyx_->GetMenu(parent);
    TPLYXMenu* item = menu ? menu->Add(caption) : nullptr;
    if (!item) return 0;
    if (command) commands_[item->Id] = std::move(command);
    return item->Id;
}

void NewsMenu::Build(TPLYXNews& news) {
    Forget();
    news_ = &news;
    plyx_ = news.PLYX();
    if (!plyx_->Bound) return;
    // A player may keep items of ours from an earlier binding: the tree is
    // made once. The submenu must be the first wrapper made, as unbinding
    // takes the first one with it.
    removeOwn(kPluginMenu);
    RootId = add(kPluginMenu, "PLYX Talo+", nullptr);
    if (!RootId) return;
    auto entry = [&](const char* caption, std::function<void()> command) {
        return add(RootId, Utf8ToSjis(caption), std::move(command));
    };
    TPLYXNews* n = &news;
    entry("ニュース更新", [n, this] { n->UpdateNews(plyx_->GetMenu(RootId)); });
    OnlineId = entry("オフライン", [n] { n->SetOnline(!n->Online); });
    entry("-", nullptr);
    entry("再度表示", [n] { n->ReshowNews(1); });
    entry("前のニュース", [n] { n->BackNews(1); });
    entry("次のニュース", [n] { n->NextNews(1); });
    entry("-", nullptr);
    SiteId = entry("ニュースサイト", nullptr);
    entry("前のニュースサイト", [n] { n->BackSite(1); });
    entry("次のニュースサイト", [n] { n->NextSite(1); });
    entry("-", nullptr);
    WindowId = entry("ウィンドウ表示", [n] { n->ToggleWindow(); });
    entry("プロパティ", [n] { n->ShowProperty(); });
    entry("ヘルプ", [n] { n->ShowHelp(); });

    // The help entry goes just after the player's own about entry.
    removeOwn(kHelpMenu);
    if (TPLYXMenu* help = plyx_->GetMenu(kHelpMenu)) {
        TPLYXMenu* about = plyx_->GetMenu(kAboutItem);
        int index = about ? about->GetIndex() + 1 : help->GetCount();
        if (TPLYXMenu* item = help->Insert(index, "PLYX Talo+")) {
            HelpId = item->Id;
            commands_[HelpId] = [n] { n->ShowHelp(); };
        }
    }
    ShowWindowEnabled(windowChecked_);
}

void NewsMenu::removeOwn(long parent) {
    TPLYXMenu* menu = plyx_->GetMenu(parent);
    for (int tries = 0; menu && tries < 8; ++tries) {
        TPLYXMenu* old = menu->Find("PLYX Talo+");
        if (!old) return;
        long id = old->Id;
        plyx_->Menu()->Remove(id);
        plyx_->NotifyDeleteMenu(id);
    }
}

void NewsMenu::Forget() {
    commands_.clear();
    SiteEntries.clear();
    OnlineId = WindowId = SiteId = RootId = HelpId = 0;
}

void NewsMenu::Remove() {
    // Unbinding takes only the first item with it; the help entry would stay
    // in the player's menu, pointing at nothing.
    if (plyx_ && plyx_->Bound)
        for (long id : {HelpId, RootId})
            if (id) {
                plyx_->Menu()->Remove(id);
                plyx_->NotifyDeleteMenu(id);
            }
    Forget();
}

bool NewsMenu::Dispatch(long id) {
    auto it = commands_.find(id);
    if (it == commands_.end()) return false;
    // The command may rebuild the menus and so this map: run a copy.
    std::function<void()> command = it->second;
    command();
    return true;
}

void NewsMenu::ShowOnline(bool online) {
    if (!plyx_ || !OnlineId) return;
    if (TPLYXMenu* item = plyx_->GetMenu(OnlineId))
        item->SetCaption(Utf8ToSjis(online ? "オフライン" : "オンライン"));
}

void NewsMenu::ShowWindowEnabled(bool enabled) {
    windowChecked_ = enabled;
    if (!plyx_ || !WindowId) return;
    if (TPLYXMenu* item = plyx_->GetMenu(WindowId)) item->SetChecked(enabled);
}

void NewsMenu::RebuildSites(const TNewsSites& sites) {
    for (const auto& [id, caption] : SiteEntries)
        commands_.erase(id);
    SiteEntries.clear();
    if (!plyx_ || !SiteId) return;
    TPLYXMenu* menu = plyx_->GetMenu(SiteId);
    if (!menu) return;
    // Counted first: a player that refuses a delete must not hold us here.
    for (int left = menu->GetCount(); left > 0; --left)
        menu->Delete(0);
    for (const auto& site : sites.Items) {
        std::string name = site->Name;
        long id = add(SiteId, name, [n = news_, name] { n->SelectSiteByName(1, name); });
        if (id) SiteEntries.emplace_back(id, name);
    }
}

void NewsMenu::Refresh(long menuId, const TNewsSites& sites, const TNewsSite* shown) {
    if (menuId != kPluginMenu || !plyx_) return;
    // The first site of each name, found once: one look-up per entry would
    // take time by the square of a long list at every opening of the menu.
    std::unordered_map<std::string_view, const TNewsSite*> byName;
    for (const auto& site : sites.Items)
        byName.try_emplace(site->Name, site.get());
    for (const auto& [id, caption] : SiteEntries) {
        TPLYXMenu* item = plyx_->GetMenu(id);
        if (!item) continue;
        auto found = byName.find(caption);
        const TNewsSite* site = found == byName.end() ? nullptr : found->second;
        item->SetEnabled(site && site->Enabled);
        item->SetChecked(shown && caption == shown->Name);
    }
}
