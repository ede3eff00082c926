#pragma once

// Reads an RSS 1.0, RSS 2.0 or Atom feed into headlines shaped like those of
// an HTML page: "title（m/d hh:nn）" in Shift_JIS (the date in local time,
// when the item has one) and the item's link resolved against the feed's URL.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// True when the bytes start (after a BOM, the XML declaration, comments,
// processing instructions and a doctype) with a root element rss, rdf:RDF or
// feed. Looks at the first few kilobytes only.
bool LooksLikeFeed(std::string_view bytes);

// True when the bytes' root element is rss, rdf:RDF or feed; then their
// items were appended (what a malformed feed holds before its fault).
// feedUrl: where the feed was fetched (links resolve against it); siteUrl:
// the link of an item that has none. aborting may be null.
bool ReadFeed(std::string_view bytes, const std::string& feedUrl, const std::string& siteUrl,
              std::vector<std::string>& titles, std::vector<std::string>& links,
              const std::atomic<bool>* aborting);

// True when the file's root element is rss, rdf:RDF or feed; then its items were appended.
// siteUrl serves both as the base of the items' links and as the link of an
// item without one. Reads at most kMaxFeedFileBytes of the file.
bool ReadFeedFile(const std::string& path, const std::string& siteUrl,
                  std::vector<std::string>& titles, std::vector<std::string>& links,
                  const std::atomic<bool>* aborting);

// Bounds on what one feed may add.
inline constexpr size_t kMaxFeedItems = 1000;
inline constexpr size_t kMaxFeedTitleBytes = 1024;
