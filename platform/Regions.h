// Regions: sets of pixels made of rectangles, in the platform's banded form
// (rows of equal-height bands, rectangles ordered by y then x, touching bands
// merged), as clip regions, window shapes and update regions use them.
#pragma once

#include <memory>
#include <vector>

#include "platform/Gdi.h"

struct pixman_region32;

namespace win {

// Result codes of CombineRgn and friends.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_ERROR = ERROR;

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Right and bottom edges are exclusive; swapped corners are put in order.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// dest = src1 (mode) src2; src2 is unused for RGN_COPY. dest may be one of
// the sources. On failure dest keeps its old contents.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int GetRgnBox(HRGN region, LPRECT box);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
BOOL EqualRgn(HRGN a, HRGN b);

namespace detail {

// A region as a value, for the platform's own clipping and window shapes.
class Region {
 public:
  Region();
  explicit Region(const RECT& rect);
  Region(const Region& other);
  Region& operator=(const Region& other);
  ~Region();

  bool IsEmpty() const;
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const;
  // The bounding box; all zero when empty.
  RECT Box() const;
  // The rectangles, banded: by top, then left.
  std::vector<RECT> Rects() const;
  bool Contains(int x, int y) const;
  bool Overlaps(const RECT& rect) const;
  bool operator==(const Region& other) const;

  void Offset(int dx, int dy);
  void Intersect(const Region& other);
  void Unite(const Region& other);
  void Subtract(const Region& other);
  void Xor(const Region& other);

 private:
  pixman_region32* Raw();
  const pixman_region32* Raw() const;
  // The pixman region in place: its extents box and a pointer to its bands.
  alignas(void*) unsigned char storage_[16 + sizeof(void*)];
};

class RegionObject : public GdiObject {
 public:
  HandleKind Kind() const override { return HandleKind::Region; }
  Region region;
};

// The region behind a handle, or null when the handle names no region.
std::shared_ptr<RegionObject> FindRegion(HRGN region);

// A rectangle with its corners in order.
RECT NormalizedRect(int left, int top, int right, int bottom);

}  // namespace detail
}  // namespace win
