#pragma once

// Gives a window the shape of a picture: every pixel of the image control
// that is not the transparent colour belongs to the parent window, the rest
// is cut away. Failures raise ERegionError with a message naming the
// failed call; no region handle outlives a failure.

#include "platform/controls/Controls.h"
#include "platform/gdi/Region.h"

#include <stdexcept>

// The class library's general exception; the message is Shift_JIS.
class ERegionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class zelRegion {
public:
    explicit zelRegion(platform::TImage* image) : image_(image) {}
    ~zelRegion();
    zelRegion(const zelRegion&) = delete;
    zelRegion& operator=(const zelRegion&) = delete;

    // Also the transparent colour the image's bitmap is drawn with.
    void SetTransparentColor(platform::TColor color);
    void Clear();
    // A rectangle at (x, y) of the image, right and bottom edges exclusive.
    void Add(int x, int y, int width, int height);
    // The region of every run of non-transparent pixels, row by row, over
    // the image control's size.
    void Create();
    // Gives the parent window a copy of the region; repeatable.
    void Set();
    // The parent becomes a plain rectangle; the region goes.
    void Delete();

    platform::HRGN Handle() const { return region_; }

private:
    void deleteRegion();

    platform::TImage* image_;
    platform::TColor transparent_ = platform::clNone;
    platform::HRGN region_ = 0;
};

// The messages, Shift_JIS.
extern const char* const kCreateRectRgnFailed; // "CreateRectRgnに失敗しました"
extern const char* const kCombineRgnFailed;    // "CombineRgnに失敗しました"
extern const char* const kSetWindowRgnFailed;  // "SetWindowRgnに失敗しました"
extern const char* const kParentNotSet;        // "Parentが設定されていません"
