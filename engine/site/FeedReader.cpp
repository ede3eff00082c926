#include "engine/site/FeedReader.h"

bool LooksLikeFeed(std::string_view) {
    return false;
}

bool ReadFeed(std::string_view bytes, const std::string&, const std::string&,
              std::vector<std::string>&, std::vector<std::string>&, const std::atomic<bool>*) {
    return LooksLikeFeed(bytes);
}

bool ReadFeedFile(const std::string&, const std::string&, std::vector<std::string>&,
                  std::vector<std::string>&, const std::atomic<bool>*) {
    return false;
}
