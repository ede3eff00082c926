#include "engine/region/zelRegion.h"

#include "platform/gdi/Color.h"

#include <algorithm>
#include <vector>

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

namespace {

// An X server cannot take a shape of millions of rectangles (the
// connection breaks); a skin never needs more than this.
constexpr size_t kMaxShapeRects = 20000;
constexpr int kBandRows = 8;

struct Run {
    int start, end;
    bool operator==(const Run&) const = default;
};

// The opaque runs of the image control, row by row.
class Scanner {
public:
    Scanner(const TImage& image, TColor transparent)
        : picture_(image.Picture.Image), width_(image.width()), height_(image.height()),
          none_(!IsRgbValue(transparent)), transparent_(ToQColor(none_ ? 0 : transparent).rgb()) {
        // Rows are read as 32-bit pixels whatever the picture holds.
        if (picture_.format() != QImage::Format_RGB32 && picture_.format() != QImage::Format_ARGB32)
            picture_ = picture_.convertToFormat(QImage::Format_RGB32);
    }
    int width() const { return width_; }
    int height() const { return height_; }

    void row(int y, std::vector<Run>& runs) const {
        runs.clear();
        const QRgb* line = y < picture_.height()
                               ? reinterpret_cast<const QRgb*>(picture_.constScanLine(y))
                               : nullptr;
        const int inside = line ? std::min(width_, picture_.width()) : 0;
        int start = -1;
        for (int x = 0; x < width_; ++x) {
            // Outside the picture a canvas reads as no colour at all.
            bool clear = !none_ && x < inside && (line[x] | 0xFF000000u) == transparent_;
            if (start < 0 && !clear) {
                start = x;
            } else if (start >= 0 && clear) {
                runs.push_back({start, x});
                start = -1;
            }
        }
        if (start >= 0) runs.push_back({start, width_});
    }

private:
    QImage picture_;
    int width_, height_;
    bool none_;
    QRgb transparent_;
};

// Rectangles of equal runs on consecutive rows (or bands) are one taller
// rectangle. False once there are more than kMaxShapeRects.
class Shape {
public:
    bool add(const std::vector<Run>& runs, int top, int height) {
        if (!rects_.empty() && runs == previous_ && top == bottom_) {
            for (size_t i = bandStart_; i < rects_.size(); ++i)
                rects_[i].setHeight(rects_[i].height() + height);
        } else {
            bandStart_ = rects_.size();
            for (const Run& run : runs)
                rects_.emplace_back(run.start, top, run.end - run.start, height);
            previous_ = runs;
        }
        bottom_ = top + height;
        return rects_.size() <= kMaxShapeRects;
    }
    const std::vector<QRect>& rects() const { return rects_; }

private:
    std::vector<QRect> rects_;
    std::vector<Run> previous_;
    size_t bandStart_ = 0;
    int bottom_ = 0;
};

// Exact when that stays within kMaxShapeRects; else every band of rows
// takes the columns any of its rows covers, then just their extent; at
// worst the whole image.
std::vector<QRect> shapeOf(const Scanner& scan) {
    std::vector<Run> runs;
    {
        Shape exact;
        bool fits = true;
        for (int y = 0; y < scan.height() && fits; ++y) {
            scan.row(y, runs);
            fits = exact.add(runs, y, 1);
        }
        if (fits) return exact.rects();
    }
    Shape columns, extents;
    bool columnsFit = true, extentsFit = true;
    std::vector<char> covered(static_cast<size_t>(std::max(scan.width(), 0)));
    std::vector<Run> merged;
    for (int top = 0; top < scan.height() && extentsFit; top += kBandRows) {
        const int rows = std::min(kBandRows, scan.height() - top);
        std::fill(covered.begin(), covered.end(), 0);
        Run extent{scan.width(), 0};
        for (int y = top; y < top + rows; ++y) {
            scan.row(y, runs);
            for (const Run& run : runs) {
                std::fill(covered.begin() + run.start, covered.begin() + run.end, 1);
                extent = {std::min(extent.start, run.start), std::max(extent.end, run.end)};
            }
        }
        if (columnsFit) {
            merged.clear();
            for (int x = 0; x < scan.width(); ++x) {
                if (!covered[static_cast<size_t>(x)]) continue;
                if (!merged.empty() && merged.back().end == x)
                    merged.back().end = x + 1;
                else
                    merged.push_back({x, x + 1});
            }
            columnsFit = columns.add(merged, top, rows);
        }
        merged.clear();
        if (extent.start < extent.end) merged.push_back(extent);
        extentsFit = extents.add(merged, top, rows);
    }
    if (columnsFit) return columns.rects();
    if (extentsFit) return extents.rects();
    return {QRect(0, 0, scan.width(), scan.height())};
}

} // namespace

void zelRegion::Create() {
    try {
        Clear();
        for (const QRect& rect : shapeOf(Scanner(*image_, transparent_)))
            Add(rect.x(), rect.y(), rect.width(), rect.height());
    } catch (...) {
        deleteRegion();
        throw;
    }
}

void zelRegion::Set() {
    if (!region_) return;
    QWidget* parent = image_->parentWidget();
    if (!parent) throw ERegionError(kParentNotSet);
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
