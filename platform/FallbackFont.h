// The built-in font: a fixed-pitch bitmap face compiled into the library,
// used when no installed face can be found and whenever a test asks for it,
// so that layout and pixels never depend on the installed fonts.
#pragma once

#include <memory>

#include "platform/Typefaces.h"

namespace win {
namespace detail {

// Cells of 6 by 12 pixels at its own size (ascent 10, descent 2, no
// leading), scaled to other heights. It draws ASCII 0x21-0x7E; the blank is
// empty and every other character is a box, double-byte characters two
// cells wide. lfHeight of either sign is the cell height.
std::shared_ptr<const Typeface> FallbackTypeface(LONG lfHeight, const TypefaceStyle& style);

}  // namespace detail
}  // namespace win
