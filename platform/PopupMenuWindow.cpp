#include "platform/PopupMenuWindow.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "platform/Drawing.h"
#include "platform/FrameControl.h"
#include "platform/Gdi.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Screen.h"
#include "platform/SysColors.h"
#include "platform/TextDrawing.h"
#include "platform/Window.h"

namespace win::detail {

namespace {

constexpr char kMenuClass[] = "#32768";
constexpr int kItemHeight = 19;
constexpr int kSeparatorHeight = 9;
constexpr int kCheckColumn = 20;  // left of the text, for the check mark
constexpr int kArrowColumn = 18;  // right of the text, for a submenu's arrow

struct Item {
  std::string text;
  UINT id = 0;
  UINT state = 0;
  bool submenu = false;
  RECT place{};  // client coordinates
  bool Separator() const { return state & MF_SEPARATOR; }
  bool Choosable() const { return !Separator() && !submenu && !(state & (MF_GRAYED | MF_DISABLED)); }
};

struct Shown {
  std::vector<Item> items;
  int highlighted = -1;
};

std::vector<Item> ReadItems(HMENU menu) {
  std::vector<Item> items;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    Item item;
    item.state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    item.submenu = GetSubMenu(menu, i) != nullptr;
    item.id = GetMenuItemID(menu, i);
    const int length = GetMenuStringA(menu, static_cast<UINT>(i), nullptr, 0, MF_BYPOSITION);
    item.text.resize(static_cast<size_t>(std::max(length, 0)) + 1);
    item.text.resize(static_cast<size_t>(
        GetMenuStringA(menu, static_cast<UINT>(i), item.text.data(), static_cast<int>(item.text.size()), MF_BYPOSITION)));
    items.push_back(std::move(item));
  }
  return items;
}

// Lays the items out one under the other; answers the window's size.
SIZE Layout(std::vector<Item>& items) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  int width = 60;
  for (const Item& item : items) {
    SIZE extent{};
    GetTextExtentPoint32A(dc, item.text.c_str(), static_cast<int>(item.text.size()), &extent);
    width = std::max<int>(width, kCheckColumn + extent.cx + kArrowColumn);
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  int y = 0;
  for (Item& item : items) {
    const int height = item.Separator() ? kSeparatorHeight : kItemHeight;
    item.place = RECT{0, y, width, y + height};
    y += height;
  }
  const int border = kBorderWidth;
  return SIZE{width + 2 * border, y + 2 * border};
}

void DrawCheck(HDC dc, const RECT& r, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 2, color);
  HGDIOBJ old = SelectObject(dc, pen);
  const int x = r.left + 6;
  const int y = (r.top + r.bottom) / 2;
  MoveToEx(dc, x, y, nullptr);
  LineTo(dc, x + 3, y + 3);
  LineTo(dc, x + 9, y - 4);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawArrow(HDC dc, const RECT& r, COLORREF color) {
  const int x = r.right - 10;
  const int y = (r.top + r.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    RECT column{x + i, y - 3 + i, x + i + 1, y + 4 - i};
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &column, brush);
    DeleteObject(brush);
  }
}

void Paint(HWND hwnd, const Shown& shown) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_MENU + 1)));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < shown.items.size(); ++i) {
    const Item& item = shown.items[i];
    RECT r = item.place;
    if (item.Separator()) {
      RECT line{r.left + 2, (r.top + r.bottom) / 2 - 1, r.right - 2, (r.top + r.bottom) / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    const bool lit = static_cast<int>(i) == shown.highlighted;
    if (lit) FillRect(dc, &r, reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_HIGHLIGHT + 1)));
    const bool grayed = item.state & (MF_GRAYED | MF_DISABLED);
    const COLORREF color =
        GetSysColor(grayed ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
    SetTextColor(dc, color);
    RECT text{r.left + kCheckColumn, r.top, r.right - kArrowColumn, r.bottom};
    DrawTextA(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (item.state & MF_CHECKED) DrawCheck(dc, r, color);
    if (item.submenu) DrawArrow(dc, r, color);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

LRESULT MenuProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* shown = reinterpret_cast<Shown*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_PAINT && shown) {
    Paint(hwnd, *shown);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterMenuClass() {
  WNDCLASSA existing{};
  if (GetClassInfoA(nullptr, kMenuClass, &existing)) return;
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = MenuProc;
  wc.lpszClassName = kMenuClass;
  RegisterClassA(&wc);
}

int ItemAt(const Shown& shown, POINT client) {
  for (size_t i = 0; i < shown.items.size(); ++i) {
    const RECT& r = shown.items[i].place;
    if (client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom) return static_cast<int>(i);
  }
  return -1;
}

// The next choosable item from `from` in the direction given, wrapping.
int NextChoosable(const Shown& shown, int from, int step) {
  const int count = static_cast<int>(shown.items.size());
  for (int n = 1; n <= count; ++n) {
    const int i = ((from + step * n) % count + count) % count;
    if (!shown.items[i].Separator()) return i;
  }
  return -1;
}

void Highlight(HWND hwnd, Shown& shown, int index) {
  if (index == shown.highlighted) return;
  shown.highlighted = index;
  InvalidateRect(hwnd, nullptr, FALSE);
}

// Keeps the menu on the screen: it opens left of or above the point when it
// would run off the right or bottom edge.
POINT PlaceOnScreen(POINT at, SIZE size) {
  const SIZE screen = ScreenSize();
  if (at.x + size.cx > screen.cx) at.x = std::max<LONG>(0, at.x - size.cx);
  if (at.y + size.cy > screen.cy) at.y = std::max<LONG>(0, at.y - size.cy);
  return at;
}

// One open menu of the cascade: the root, or a submenu opened beside the
// item that holds it.
struct Level {
  HMENU menu{};
  Shown shown;
  HWND hwnd{};
  int openedFrom = -1;  // the item of this level whose submenu is open
};

using Cascade = std::vector<std::unique_ptr<Level>>;

// Opens `menu` as a window at the screen point; null when it has no items.
std::unique_ptr<Level> OpenLevel(HMENU menu, POINT at, HWND owner) {
  auto level = std::make_unique<Level>();
  level->menu = menu;
  level->shown.items = ReadItems(menu);
  if (level->shown.items.empty()) return nullptr;
  const SIZE size = Layout(level->shown.items);
  const POINT place = PlaceOnScreen(at, size);
  level->hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuClass, "",
                                WS_POPUP | WS_BORDER, place.x, place.y, size.cx, size.cy, owner, nullptr, nullptr,
                                nullptr);
  if (!level->hwnd) return nullptr;
  SetWindowLongPtrA(level->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&level->shown));
  ShowWindow(level->hwnd, SW_SHOWNA);
  UpdateWindow(level->hwnd);
  return level;
}

// Closes the levels deeper than `depth`.
void CloseBelow(Cascade& cascade, size_t depth) {
  while (cascade.size() > depth + 1) {
    DestroyWindow(cascade.back()->hwnd);
    cascade.pop_back();
  }
  cascade[depth]->openedFrom = -1;
}

// Opens the submenu of item `index` of level `depth` beside it, the deeper
// levels closed first.
void OpenSubmenu(Cascade& cascade, size_t depth, int index, HWND owner) {
  Level& level = *cascade[depth];
  if (level.openedFrom == index) return;
  CloseBelow(cascade, depth);
  HMENU submenu = GetSubMenu(level.menu, index);
  if (!submenu || (level.shown.items[index].state & (MF_GRAYED | MF_DISABLED))) return;
  RECT window{};
  GetWindowRect(level.hwnd, &window);
  const POINT at{window.right - 2, window.top + kBorderWidth + level.shown.items[index].place.top};
  if (auto opened = OpenLevel(submenu, at, owner)) {
    level.openedFrom = index;
    cascade.push_back(std::move(opened));
  }
}

// The deepest level under the screen point and the item there (-1 for none).
std::pair<int, int> Hit(const Cascade& cascade, POINT screen) {
  for (int depth = static_cast<int>(cascade.size()) - 1; depth >= 0; --depth) {
    RECT window{};
    GetWindowRect(cascade[depth]->hwnd, &window);
    if (screen.x < window.left || screen.x >= window.right || screen.y < window.top || screen.y >= window.bottom)
      continue;
    POINT client = screen;
    ScreenToClient(cascade[depth]->hwnd, &client);
    return {depth, ItemAt(cascade[depth]->shown, client)};
  }
  return {-1, -1};
}

}  // namespace

std::optional<UINT> RunPopupMenuWindow(HMENU menu, POINT at, HWND owner) {
  RegisterMenuClass();
  Cascade cascade;
  if (auto root = OpenLevel(menu, at, owner)) cascade.push_back(std::move(root));
  if (cascade.empty()) return std::nullopt;
  // The root holds the mouse for the whole cascade.
  SetCapture(cascade[0]->hwnd);
  std::optional<UINT> chosen;
  bool done = false;
  MSG msg;
  while (!done && !MenuTrackingEnded()) {
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    const bool mouse = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
    if (mouse) {
      const auto [depth, index] = Hit(cascade, msg.pt);
      if (depth < 0) {
        if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN) done = true;  // a press off the menus
        continue;
      }
      Level& level = *cascade[static_cast<size_t>(depth)];
      const bool onItem = index >= 0 && !level.shown.items[index].Separator();
      if (msg.message == WM_MOUSEMOVE) {
        Highlight(level.hwnd, level.shown, onItem ? index : -1);
        if (onItem && level.shown.items[index].submenu) {
          OpenSubmenu(cascade, static_cast<size_t>(depth), index, owner);
        } else if (onItem) {
          CloseBelow(cascade, static_cast<size_t>(depth));
        }
      } else if ((msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) && onItem) {
        if (level.shown.items[index].Choosable()) {
          chosen = level.shown.items[index].id;
          done = true;
        } else if (level.shown.items[index].submenu) {
          OpenSubmenu(cascade, static_cast<size_t>(depth), index, owner);
        }
      }
      continue;
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      Level& level = *cascade.back();
      Shown& shown = level.shown;
      switch (msg.wParam) {
        case VK_ESCAPE:
        case VK_MENU:
          done = true;
          break;
        case VK_DOWN:
          Highlight(level.hwnd, shown, NextChoosable(shown, shown.highlighted < 0 ? -1 : shown.highlighted, 1));
          break;
        case VK_UP:
          Highlight(level.hwnd, shown, NextChoosable(shown, shown.highlighted < 0 ? 0 : shown.highlighted, -1));
          break;
        case VK_RIGHT:
          if (shown.highlighted >= 0 && shown.items[shown.highlighted].submenu) {
            OpenSubmenu(cascade, cascade.size() - 1, shown.highlighted, owner);
            Highlight(cascade.back()->hwnd, cascade.back()->shown, NextChoosable(cascade.back()->shown, -1, 1));
          }
          break;
        case VK_LEFT:
          if (cascade.size() > 1) CloseBelow(cascade, cascade.size() - 2);
          break;
        case VK_RETURN:
          if (shown.highlighted >= 0 && shown.items[shown.highlighted].Choosable()) {
            chosen = shown.items[shown.highlighted].id;
            done = true;
          }
          break;
        default:
          break;
      }
      continue;
    }
    if (msg.message == WM_KEYUP || msg.message == WM_CHAR || msg.message == WM_SYSKEYUP) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (GetCapture() == cascade[0]->hwnd) ReleaseCapture();
  CloseBelow(cascade, 0);
  DestroyWindow(cascade[0]->hwnd);
  return chosen;
}

}  // namespace win::detail
