// Dropped files of Input.h: the drop handle that WM_DROPFILES carries, the
// queries on it, and the injection of a drop.
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Handles.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Wait.h"

namespace win {
namespace detail {

namespace {

constexpr UINT kFileCountIndex = 0xFFFFFFFF;

// What one drop delivered: the names and where, in the target's client area.
class Drop final : public HandleObject {
 public:
  Drop(std::vector<std::string> names, POINT clientPoint, bool inClient)
      : files(std::move(names)), point(clientPoint), inClientArea(inClient) {}
  HandleKind Kind() const override { return HandleKind::Drop; }

  const std::vector<std::string> files;
  const POINT point;
  const bool inClientArea;
};

std::shared_ptr<Drop> FindDrop(HDROP drop) {
  auto found = HandleTable::Get<Drop>(drop);
  if (!found) SetLastError(ERROR_INVALID_HANDLE);
  return found;
}

// The length of the longest prefix of `text` that fits `limit` bytes without
// cutting a double-byte character in two.
size_t WholeCharactersWithin(const std::string& text, size_t limit) {
  size_t n = 0;
  while (n < text.size()) {
    const size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[n])) && n + 1 < text.size() ? 2 : 1;
    if (n + step > limit) break;
    n += step;
  }
  return n;
}

// The nearest window at or above `w` that takes dropped files.
Window* AcceptingWindowLocked(Window* w) {
  for (; w && w->parent; w = w->parent)
    if (w->exStyle & WS_EX_ACCEPTFILES) return w;
  return nullptr;
}

}  // namespace
}  // namespace detail

void DragAcceptFiles(HWND hwnd, BOOL accept) {
  const LONG exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
  if (!IsWindow(hwnd)) return;
  const LONG flag = static_cast<LONG>(WS_EX_ACCEPTFILES);
  const LONG wanted = accept ? exStyle | flag : exStyle & ~flag;
  if (wanted != exStyle) SetWindowLongA(hwnd, GWL_EXSTYLE, wanted);
}

UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size) {
  auto found = detail::FindDrop(drop);
  if (!found) return 0;
  const auto& files = found->files;
  if (index == detail::kFileCountIndex) return static_cast<UINT>(files.size());
  if (index >= files.size()) return 0;
  const std::string& name = files[index];
  if (!buffer) return static_cast<UINT>(name.size());
  if (size == 0) return 0;
  const size_t n = detail::WholeCharactersWithin(name, size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return static_cast<UINT>(n);
}

BOOL DragQueryPoint(HDROP drop, LPPOINT point) {
  auto found = detail::FindDrop(drop);
  if (!found || !point) return FALSE;
  *point = found->point;
  return found->inClientArea;
}

void DragFinish(HDROP drop) {
  if (detail::HandleTable::Is<detail::Drop>(drop, detail::HandleKind::Drop))
    detail::HandleTable::Remove(HandleId(drop));
}

namespace test {

bool DropFiles(POINT screen, const char* const* files, int count) {
  if (!files || count <= 0) return false;
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    if (!files[i]) return false;
    names.emplace_back(files[i]);
  }
  const HWND under = WindowFromPoint(screen);
  HWND target{};
  HDROP drop{};
  {
    std::lock_guard lock(detail::KernelMutex());
    detail::Window* w = detail::AcceptingWindowLocked(detail::LiveWindowLocked(under));
    if (!w) return false;
    target = w->handle;
    const RECT& client = w->clientRect;
    const bool inClient =
        screen.x >= client.left && screen.x < client.right && screen.y >= client.top && screen.y < client.bottom;
    auto object = std::make_shared<detail::Drop>(std::move(names), POINT{screen.x - client.left, screen.y - client.top},
                                                 inClient);
    drop = HandleFromId<HDROP>(detail::HandleTable::Insert(std::move(object)));
  }
  if (PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0)) return true;
  DragFinish(drop);
  return false;
}

}  // namespace test
}  // namespace win
