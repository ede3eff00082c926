#pragma once

// The engine's commands in the player's menus: the "PLYX Talo+" submenu of
// the plug-ins menu and a help entry in the player's help menu. Items are
// kept by id, never by wrapper, and clicks are dispatched by id: wrappers
// come and go with the binding, ids stay valid until the player deletes the
// item, and a stale id simply finds nothing.

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class TPLYX;
class TPLYXNews;
class TNewsSite;
class TNewsSites;

class NewsMenu {
public:
    // The player's menus the engine adds to.
    static constexpr long kPluginMenu = 0x4000, kHelpMenu = 0x5F00, kAboutItem = 0x5FF0;

    // Adds the whole tree (forgetting an older one); nothing while unbound.
    void Build(TPLYXNews& news);
    // Forgets every id (the items go with the binding).
    void Forget();
    // Deletes the engine's items from the player's menus and forgets them.
    void Remove();
    // Runs the command of one of the engine's items; false for other ids.
    bool Dispatch(long id);

    void ShowOnline(bool online);
    void ShowWindowEnabled(bool enabled);
    bool WindowChecked() const { return windowChecked_; }
    void RebuildSites(const TNewsSites& sites);
    // Before the plug-ins menu opens: site entries enabled for enabled
    // sites, the one ticker 1 shows checked.
    void Refresh(long menuId, const TNewsSites& sites, const TNewsSite* shown);

    // The kept items, 0 while none.
    long OnlineId = 0, WindowId = 0, SiteId = 0, RootId = 0, HelpId = 0;
    // The site entries, with their captions.
    std::vector<std::pair<long, std::string>> SiteEntries;

private:
    void removeOwn(long parent);
    long add(long parent, const std::string& caption, std::function<void()> command);

    TPLYX* plyx_ = nullptr;
    TPLYXNews* news_ = nullptr;
    std::map<long, std::function<void()>> commands_;
    bool windowChecked_ = false;
};
