#pragma once

// One text record of the player's lyrics, with its font, and the cache of
// lyrics lines.

#include "platform/gdi/TFont.h"

#include <map>
#include <memory>
#include <string>

class TPLYX;

// Fills a font record from the player's values: a negative size is a
// height, any other a point size; style bits 1, 2, 4, 8 are bold, italic,
// underline and strike-out.
void ApplyFontRecord(platform::TFont& font, const std::string& face, int32_t charset, int32_t size,
                     int32_t style, int32_t color);

struct TLyrics {
    platform::TFont Font;
    int LineNo = -1;
    std::string Text;
    uint8_t Align = 2;
    bool ShowFlag = true;
    bool AccelFlag = false;
    int Tag = 0;
};

class TLyricsList {
public:
    explicit TLyricsList(TPLYX* owner) : owner_(owner) {}

    // Lines the player has while bound, 0 while unbound.
    int Count();
    // The record of line index, fetched from the player while bound; null
    // outside 0 .. Count()-1. A record stays where it is until Clear, also
    // while the player has fewer lines or none: callers may still hold it.
    TLyrics* GetLyricsText(int index);
    // When the player has loaded new lyrics, and with the list.
    void Clear() { lines_.clear(); }

private:
    TPLYX* owner_;
    std::map<int, std::unique_ptr<TLyrics>> lines_; // fetched lines only
};
