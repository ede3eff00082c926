#include "platform/gdi/Region.h"

#include <QWidget>

#include <map>
#include <mutex>
#include <set>

namespace platform {

namespace {

struct Table {
    std::mutex mutex;
    std::map<HRGN, QRegion> regions;
    HRGN next = 1;
    std::set<GdiCall> failing;
};

Table& table() {
    static Table t;
    return t;
}

bool failing(Table& t, GdiCall call) {
    return t.failing.erase(call) > 0;
}

int complexity(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    if (failing(t, GdiCall::CreateRectRgn)) return 0;
    HRGN handle = t.next++;
    QRegion region;
    if (right > left && bottom > top) region = QRegion(left, top, right - left, bottom - top);
    t.regions.emplace(handle, region);
    return handle;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    if (failing(t, GdiCall::CombineRgn)) return REGION_ERROR;
    auto d = t.regions.find(dest), a = t.regions.find(src1), b = t.regions.find(src2);
    if (d == t.regions.end() || a == t.regions.end() || (mode != RGN_COPY && b == t.regions.end()))
        return REGION_ERROR;
    if (mode < RGN_AND || mode > RGN_COPY) return REGION_ERROR;
    // Taken first: the destination may be the second source.
    QRegion second = mode == RGN_COPY ? QRegion() : b->second;
    if (dest != src1) d->second = a->second;
    // In place: a run below the rest is appended without copying.
    switch (mode) {
    case RGN_OR:
        d->second += second;
        break;
    case RGN_AND:
        d->second &= second;
        break;
    case RGN_XOR:
        d->second ^= second;
        break;
    case RGN_DIFF:
        d->second -= second;
        break;
    default: // RGN_COPY: the copy is made
        break;
    }
    return complexity(d->second);
}

bool DeleteObject(HRGN region) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return t.regions.erase(region) > 0;
}

int SetWindowRgn(QWidget* window, HRGN region, bool redraw) {
    QRegion shape;
    {
        Table& t = table();
        std::lock_guard lock(t.mutex);
        if (failing(t, GdiCall::SetWindowRgn) || !window) return 0;
        if (region != 0) {
            auto it = t.regions.find(region);
            if (it == t.regions.end()) return 0;
            shape = std::move(it->second);
            t.regions.erase(it);
        }
    }
    if (region == 0)
        window->clearMask();
    else if (shape.isEmpty())
        // Qt reads an empty mask as no mask at all; a region with nothing
        // of the window in it hides the whole window, as an empty one should.
        window->setMask(kNothingVisible);
    else
        window->setMask(shape);
    if (redraw) window->update();
    return 1;
}

QRegion RegionOf(HRGN region) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.regions.find(region);
    return it == t.regions.end() ? QRegion() : it->second;
}

size_t LiveRegionCount() {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return t.regions.size();
}

void FailNextGdiCall(GdiCall call) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    t.failing.insert(call);
}

} // namespace platform
