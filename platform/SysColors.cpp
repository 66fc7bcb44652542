#include "platform/SysColors.h"

#include <array>
#include <optional>

#include "platform/Screen.h"
#include "platform/Window.h"

namespace win {

namespace {

constexpr int kColorCount = COLOR_MENUBAR + 1;

// The classic standard scheme; index 25 has no colour.
constexpr std::array<std::optional<COLORREF>, kColorCount> kColors = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND: a blue no skin uses, so that holes show
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(192, 192, 192),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    std::nullopt,        // 25
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(181, 181, 181),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),      // COLOR_MENUHILIGHT
    RGB(192, 192, 192),  // COLOR_MENUBAR
};

std::optional<COLORREF> ColorAt(int index) {
  if (index < 0 || index >= kColorCount) return std::nullopt;
  return kColors[index];
}

}  // namespace

DWORD GetSysColor(int index) { return ColorAt(index).value_or(0); }

HBRUSH GetSysColorBrush(int index) {
  static const auto* brushes = [] {
    auto* b = new std::array<HBRUSH, kColorCount>{};
    for (int i = 0; i < kColorCount; ++i)
      if (kColors[i]) (*b)[i] = detail::CreateStockBrush(*kColors[i]);
    return b;
  }();
  return ColorAt(index) ? (*brushes)[index] : nullptr;
}

int GetSystemMetrics(int index) {
  SIZE screen = detail::ScreenSize();
  constexpr int kCaption = 19;
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
      return screen.cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return screen.cy;
    case SM_CYFULLSCREEN:
      return screen.cy - kCaption;
    case SM_CYCAPTION:
    case SM_CYMENU:
      return kCaption;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return detail::kScrollBarSize;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_MOUSEPRESENT:
    case SM_DBCSENABLED:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
      return 75;
    case SM_CMOUSEBUTTONS:
      return 3;
    case SM_CYSMCAPTION:
      return 15;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    default:
      return 0;  // SM_SWAPBUTTON, SM_XVIRTUALSCREEN, SM_YVIRTUALSCREEN among them
  }
}

bool detail::IsSysColorBrushValue(HBRUSH brush) {
  uintptr_t value = reinterpret_cast<uintptr_t>(brush);
  return value >= 1 && value <= static_cast<uintptr_t>(kColorCount);
}

}  // namespace win
