#pragma once

// The ordered, owning list of news sites.

#include "engine/site/TNewsSite.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TNewsSites {
public:
    // pluginDir: where the sites' cache files go (Shift_JIS); when empty,
    // the user's cache folder.
    explicit TNewsSites(std::string pluginDir);
    ~TNewsSites();
    TNewsSites(const TNewsSites&) = delete;
    TNewsSites& operator=(const TNewsSites&) = delete;

    int Count() const { return static_cast<int>(Items.size()); }
    TNewsSite* Get(int index) const;
    void SetCount(int count);
    void Clear();
    void Delete(int index);
    TNewsSite* Add(const std::string& name, const std::string& url, int interval, bool enabled);
    int IndexOfName(const std::string& name) const;
    int IndexOf(const TNewsSite* site) const;
    TNewsSite* Find(const std::string& name) const;
    void Move(int from, int to);
    void Tick(int minutes);
    bool UpdateAll();
    bool IsBusy() const;

    // The engine's "Debug" setting: keep pages and write ".txt" lists.
    void SetDebug(bool debug) { environment_->debug = debug; }
    // The engine's "Extraction" setting: the extended rules (the default)
    // or the exact ones.
    void SetExtended(bool extended) { environment_->extended = extended; }
    bool Extended() const { return environment_->extended; }

    std::vector<std::unique_ptr<TNewsSite>> Items;
    // Fired when a site has finished and no site is busy any more.
    std::function<void(TNewsSites* sender)> OnUpdated;
    // Fired after every change of membership or order.
    std::function<void(TNewsSites* sender)> OnChange;

private:
    bool siteFinished(TNewsSite* site);
    // Removes sites from the end down to count; true if a busy one went.
    bool shrink(int count);
    // A busy site that is removed counts as finished.
    void busyRemoved();
    void changed();

    std::shared_ptr<SiteEnvironment> environment_;
    mutable size_t busyHint_ = 0; // where IsBusy last found a busy site
};
