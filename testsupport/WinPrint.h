// Comparison and printing of the platform's geometry structures in tests,
// found by argument lookup in assertions and their failure messages.
#pragma once

#include <ostream>

#include "platform/Types.h"

namespace win {

inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const POINT& p, std::ostream* os) { *os << "(" << p.x << "," << p.y << ")"; }
inline void PrintTo(const SIZE& s, std::ostream* os) { *os << s.cx << "x" << s.cy; }
inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

}  // namespace win
