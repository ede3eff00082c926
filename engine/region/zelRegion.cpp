#include "engine/region/zelRegion.h"

#include "platform/gdi/Color.h"

using namespace platform;

#define FAILED_SUFFIX "\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
const char* const kCreateRectRgnFailed = "CreateRectRgn" FAILED_SUFFIX;
const char* const kCombineRgnFailed = "CombineRgn" FAILED_SUFFIX;
const char* const kSetWindowRgnFailed = "SetWindowRgn" FAILED_SUFFIX;
const char* const kParentNotSet =
    "Parent\x82\xAA\x90\xDD\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1";
#undef FAILED_SUFFIX

zelRegion::~zelRegion() {
    deleteRegion();
}

void zelRegion::deleteRegion() {
    if (region_) DeleteObject(region_);
    region_ = 0;
}

void zelRegion::SetTransparentColor(TColor color) {
    transparent_ = color;
    image_->Picture.TransparentColor = color;
}

void zelRegion::Clear() {
    deleteRegion();
    region_ = CreateRectRgn(0, 0, 0, 0);
    if (!region_) throw ERegionError(kCreateRectRgnFailed);
}

void zelRegion::Add(int x, int y, int width, int height) {
    if (!region_) Clear();
    int left = image_->x() + x;
    int top = image_->y() + y;
    HRGN rect = CreateRectRgn(left, top, left + width, top + height);
    if (!rect) throw ERegionError(kCreateRectRgnFailed);
    int result = CombineRgn(region_, region_, rect, RGN_OR);
    DeleteObject(rect);
    if (result == REGION_ERROR) throw ERegionError(kCombineRgnFailed);
}

void zelRegion::Create() {
    try {
        Clear();
        const QImage& picture = image_->Picture.Image;
        const int width = image_->width();
        const int height = image_->height();
        // The colour as the picture stores it: pixels compare exactly.
        const QRgb transparent = ToQColor(transparent_).rgb();
        const bool none = transparent_ == clNone;
        for (int y = 0; y < height; ++y) {
            const QRgb* line = y < picture.height()
                                   ? reinterpret_cast<const QRgb*>(picture.constScanLine(y))
                                   : nullptr;
            int start = -1;
            for (int x = 0; x < width; ++x) {
                // Outside the picture a canvas reads as no colour at all.
                bool clear =
                    !none && line && x < picture.width() && (line[x] | 0xFF000000u) == transparent;
                if (start < 0 && !clear) {
                    start = x;
                } else if (start >= 0 && clear) {
                    Add(start, y, x - start, 1);
                    start = -1;
                }
            }
            if (start >= 0) Add(start, y, width - start, 1);
        }
    } catch (...) {
        deleteRegion();
        throw;
    }
}

void zelRegion::Set() {
    if (!region_) return;
    QWidget* parent = image_->parentWidget();
    if (!parent) throw ERegionError(kParentNotSet);
    if (!parent->testAttribute(Qt::WA_WState_Created)) return;
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    if (!copy) throw ERegionError(kCreateRectRgnFailed);
    if (CombineRgn(copy, copy, region_, RGN_OR) == REGION_ERROR) {
        DeleteObject(copy);
        throw ERegionError(kCombineRgnFailed);
    }
    if (!SetWindowRgn(parent, copy, true)) {
        DeleteObject(copy);
        throw ERegionError(kSetWindowRgnFailed);
    }
}

void zelRegion::Delete() {
    QWidget* parent = image_->parentWidget();
    if (!parent) throw ERegionError(kParentNotSet);
    if (!SetWindowRgn(parent, 0, true)) throw ERegionError(kSetWindowRgnFailed);
    deleteRegion();
}
