#pragma once

// Reads an RSS 1.0, RSS 2.0 or Atom feed into headlines shaped like those of
// an HTML page: "title（m/d hh:nn）" in Shift_JIS (the date in local time,
// when the item has one) and the item's link resolved against the feed's URL.
// An item without a title is skipped; one without a link gets siteUrl. A
// malformed or cut feed gives the items that were complete before the fault.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Bounds on what one feed may cost. The file cap is the download's own cap
// on a page, so whatever was downloaded is read whole.
inline constexpr size_t kMaxFeedItems = 1000;
inline constexpr size_t kMaxFeedTitleBytes = 1024;
inline constexpr int64_t kMaxFeedFileBytes = 32 * 1024 * 1024;

// True when the bytes start (after a BOM, the XML declaration, comments,
// processing instructions and a doctype) with a root element rss, rdf:RDF or
// feed. Looks at the first 64 KB only.
bool LooksLikeFeed(std::string_view bytes);

// True when the bytes' root element is rss, rdf:RDF or feed; then their
// items were appended. feedUrl: where the feed was fetched (links resolve
// against it). aborting may be null; once it reads true reading stops.
bool ReadFeed(std::string_view bytes, const std::string& feedUrl, const std::string& siteUrl,
              std::vector<std::string>& titles, std::vector<std::string>& links,
              const std::atomic<bool>* aborting);

// ReadFeed with the bytes handed over blockBytes at a time, as a file is
// read; the results are the same wherever the blocks are cut.
bool ReadFeedInBlocks(std::string_view bytes, size_t blockBytes, const std::string& feedUrl,
                      const std::string& siteUrl, std::vector<std::string>& titles,
                      std::vector<std::string>& links, const std::atomic<bool>* aborting);

// True when the file's root element is rss, rdf:RDF or feed; then its items were appended.
// Only a regular file is read, and at most kMaxFeedFileBytes of it. Without
// feedUrl, links resolve against siteUrl.
bool ReadFeedFile(const std::string& path, const std::string& siteUrl,
                  std::vector<std::string>& titles, std::vector<std::string>& links,
                  const std::atomic<bool>* aborting);
bool ReadFeedFile(const std::string& path, const std::string& feedUrl, const std::string& siteUrl,
                  std::vector<std::string>& titles, std::vector<std::string>& links,
                  const std::atomic<bool>* aborting);
