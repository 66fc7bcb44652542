#include "platform/Regions.h"

#include <pixman.h>

#include <algorithm>
#include <new>

#include "platform/Errors.h"
#include "platform/FaultInjection.h"

namespace win {

namespace detail {

static_assert(sizeof(pixman_region32_t) <= sizeof(Region) && alignof(pixman_region32_t) <= alignof(Region));

namespace {

RECT RectOf(const pixman_box32_t& b) { return RECT{b.x1, b.y1, b.x2, b.y2}; }

// The platform keeps region coordinates within 28 bits, so that sizes and
// offsets never overflow.
constexpr int kCoordinateLimit = 1 << 27;

int Clamped(int v) { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

}  // namespace

RECT NormalizedRect(int left, int top, int right, int bottom) {
  return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

pixman_region32* Region::Raw() { return std::launder(reinterpret_cast<pixman_region32*>(storage_)); }
const pixman_region32* Region::Raw() const {
  return std::launder(reinterpret_cast<const pixman_region32*>(storage_));
}

Region::Region() { pixman_region32_init(new (storage_) pixman_region32_t); }

Region::Region(const RECT& rect) {
  RECT r = NormalizedRect(Clamped(rect.left), Clamped(rect.top), Clamped(rect.right), Clamped(rect.bottom));
  auto* raw = new (storage_) pixman_region32_t;
  if (r.right > r.left && r.bottom > r.top)
    pixman_region32_init_rect(raw, r.left, r.top, static_cast<unsigned>(r.right - r.left),
                              static_cast<unsigned>(r.bottom - r.top));
  else
    pixman_region32_init(raw);
}

Region::Region(const Region& other) {
  auto* raw = new (storage_) pixman_region32_t;
  pixman_region32_init(raw);
  pixman_region32_copy(raw, const_cast<pixman_region32*>(other.Raw()));
}

Region& Region::operator=(const Region& other) {
  if (this != &other) pixman_region32_copy(Raw(), const_cast<pixman_region32*>(other.Raw()));
  return *this;
}

Region::~Region() { pixman_region32_fini(Raw()); }

bool Region::IsEmpty() const { return !pixman_region32_not_empty(const_cast<pixman_region32*>(Raw())); }

int Region::Complexity() const {
  int n = pixman_region32_n_rects(const_cast<pixman_region32*>(Raw()));
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT Region::Box() const {
  if (IsEmpty()) return RECT{0, 0, 0, 0};
  return RectOf(*pixman_region32_extents(const_cast<pixman_region32*>(Raw())));
}

std::vector<RECT> Region::Rects() const {
  int n = 0;
  const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32*>(Raw()), &n);
  std::vector<RECT> rects;
  rects.reserve(n);
  for (int i = 0; i < n; ++i) rects.push_back(RectOf(boxes[i]));
  return rects;
}

bool Region::Contains(int x, int y) const {
  return pixman_region32_contains_point(const_cast<pixman_region32*>(Raw()), x, y, nullptr);
}

bool Region::Overlaps(const RECT& rect) const {
  RECT r = NormalizedRect(rect.left, rect.top, rect.right, rect.bottom);
  if (r.right <= r.left || r.bottom <= r.top) return false;
  pixman_box32_t box{r.left, r.top, r.right, r.bottom};
  return pixman_region32_contains_rectangle(const_cast<pixman_region32*>(Raw()), &box) != PIXMAN_REGION_OUT;
}

bool Region::operator==(const Region& other) const {
  return pixman_region32_equal(const_cast<pixman_region32*>(Raw()), const_cast<pixman_region32*>(other.Raw()));
}

void Region::Offset(int dx, int dy) { pixman_region32_translate(Raw(), dx, dy); }

void Region::Intersect(const Region& other) {
  pixman_region32_intersect(Raw(), Raw(), const_cast<pixman_region32*>(other.Raw()));
}

void Region::Unite(const Region& other) {
  pixman_region32_union(Raw(), Raw(), const_cast<pixman_region32*>(other.Raw()));
}

void Region::Subtract(const Region& other) {
  pixman_region32_subtract(Raw(), Raw(), const_cast<pixman_region32*>(other.Raw()));
}

void Region::Xor(const Region& other) {
  Region onlyOther = other;
  onlyOther.Subtract(*this);
  Subtract(other);
  Unite(onlyOther);
}

std::shared_ptr<RegionObject> FindRegion(HRGN region) { return HandleTable::Get<RegionObject>(region); }

}  // namespace detail

namespace {

std::shared_ptr<detail::RegionObject> RegionOrFail(HRGN region) {
  auto object = detail::FindRegion(region);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  if (detail::ShouldFail("CreateRectRgn")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto object = std::make_shared<detail::RegionObject>();
  object->region = detail::Region(RECT{left, top, right, bottom});
  return detail::AddObject<HRGN>(object);
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  auto object = RegionOrFail(region);
  if (!object) return FALSE;
  object->region = detail::Region(RECT{left, top, right, bottom});
  return TRUE;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  if (detail::ShouldFail("CombineRgn")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return ERROR;
  }
  auto target = RegionOrFail(dest);
  auto first = RegionOrFail(src1);
  if (!target || !first) return ERROR;
  if (mode == RGN_COPY) {
    target->region = first->region;
    return target->region.Complexity();
  }
  auto second = RegionOrFail(src2);
  if (!second) return ERROR;
  detail::Region result = first->region;
  switch (mode) {
    case RGN_AND:
      result.Intersect(second->region);
      break;
    case RGN_OR:
      result.Unite(second->region);
      break;
    case RGN_XOR:
      result.Xor(second->region);
      break;
    case RGN_DIFF:
      result.Subtract(second->region);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return ERROR;
  }
  target->region = result;
  return target->region.Complexity();
}

int GetRgnBox(HRGN region, LPRECT box) {
  auto object = RegionOrFail(region);
  if (!object || !box) return ERROR;
  *box = object->region.Box();
  return object->region.Complexity();
}

int OffsetRgn(HRGN region, int dx, int dy) {
  auto object = RegionOrFail(region);
  if (!object) return ERROR;
  object->region.Offset(dx, dy);
  return object->region.Complexity();
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto object = RegionOrFail(region);
  return object && object->region.Contains(x, y);
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  auto object = RegionOrFail(region);
  return object && rect && object->region.Overlaps(*rect);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  auto first = RegionOrFail(a);
  auto second = RegionOrFail(b);
  return first && second && first->region == second->region;
}

}  // namespace win
