#pragma once

// Stands in for GDI region handles and window regions, over QRegion. A
// handle names a region in a table; a window given a region with
// SetWindowRgn takes it over (the handle is gone afterwards).

#include <QRegion>

#include <cstddef>
#include <cstdint>

class QWidget;

namespace platform {

using HRGN = uint32_t; // 0 is no region

enum { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum { REGION_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

// Right and bottom edges are exclusive. 0 on failure.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// dest = src1 (mode) src2; REGION_ERROR on failure.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
bool DeleteObject(HRGN region);
// Shapes the window (0 removes the shape), shown yet or not. On success the
// window owns the region and the handle is released; 0 on failure, the
// handle untouched. An empty region leaves nothing of the window visible:
// its mask becomes kNothingVisible.
int SetWindowRgn(QWidget* window, HRGN region, bool redraw);
inline const QRegion kNothingVisible{-1, -1, 1, 1};

// What a handle holds (empty for a bad handle), and how many live.
QRegion RegionOf(HRGN region);
size_t LiveRegionCount();

// Tests make the next call of a kind fail, to follow the error paths.
enum class GdiCall { CreateRectRgn, CombineRgn, SetWindowRgn };
void FailNextGdiCall(GdiCall call);

} // namespace platform
