// The keyboard half of Input.h: the key state, key messages with their
// lParam bits, the characters of keys (TranslateMessage) and typing.
#include <array>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Wait.h"

namespace win {
namespace detail {

namespace {

constexpr BYTE kDown = 0x80;
constexpr BYTE kToggled = 0x01;
constexpr size_t kKeyCount = 256;

using KeyStates = std::array<BYTE, kKeyCount>;

// The keys as the devices hold them; guarded by KernelMutex.
KeyStates& AsyncKeys() {
  static auto* keys = new KeyStates{};
  return *keys;
}

bool IsKey(int vk) { return vk >= 0 && static_cast<size_t>(vk) < kKeyCount; }

// The keys as the messages this thread removed from its queue left them,
// starting from the devices' state when the thread first asks.
KeyStates& ThreadKeys() {
  thread_local std::optional<KeyStates> keys;
  if (!keys) {
    std::lock_guard lock(KernelMutex());
    keys = AsyncKeys();
  }
  return *keys;
}

void Press(KeyStates& keys, int vk) {
  if (!(keys[vk] & kDown)) keys[vk] ^= kToggled;
  keys[vk] |= kDown;
}

void Release(KeyStates& keys, int vk) { keys[vk] &= ~kDown; }

// ---- scan codes ----

// Scan codes of the keys that are extended (the grey keys beside the main block).
bool IsExtendedKey(int vk) {
  switch (vk) {
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP: case VK_RIGHT:
    case VK_DOWN: case VK_INSERT: case VK_DELETE: case VK_DIVIDE:
      return true;
    default:
      return false;
  }
}

BYTE ScanCodeInRow(int vk, const char* row, BYTE first) {
  const char* at = std::strchr(row, vk);
  return at && vk ? static_cast<BYTE>(first + (at - row)) : 0;
}

// The scan code of set 1 that the key's make code carries.
BYTE ScanCodeOf(int vk) {
  if (BYTE code = ScanCodeInRow(vk, "QWERTYUIOP", 0x10)) return code;
  if (BYTE code = ScanCodeInRow(vk, "ASDFGHJKL", 0x1E)) return code;
  if (BYTE code = ScanCodeInRow(vk, "ZXCVBNM", 0x2C)) return code;
  if (BYTE code = ScanCodeInRow(vk, "1234567890", 0x02)) return code;
  if (vk >= VK_F1 && vk <= VK_F10) return static_cast<BYTE>(0x3B + vk - VK_F1);
  switch (vk) {
    case VK_ESCAPE: return 0x01;
    case VK_OEM_MINUS: return 0x0C;
    case VK_OEM_PLUS: return 0x0D;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_OEM_4: return 0x1A;
    case VK_OEM_6: return 0x1B;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: return 0x1D;
    case VK_OEM_1: return 0x27;
    case VK_OEM_7: return 0x28;
    case VK_OEM_3: return 0x29;
    case VK_SHIFT: return 0x2A;
    case VK_OEM_5: return 0x2B;
    case VK_OEM_COMMA: return 0x33;
    case VK_OEM_PERIOD: return 0x34;
    case VK_OEM_2: case VK_DIVIDE: return 0x35;
    case VK_MULTIPLY: return 0x37;
    case VK_MENU: return 0x38;
    case VK_SPACE: return 0x39;
    case VK_CAPITAL: return 0x3A;
    case VK_NUMLOCK: return 0x45;
    case VK_SCROLL: return 0x46;
    case VK_HOME: case VK_NUMPAD0 + 7: return 0x47;
    case VK_UP: case VK_NUMPAD0 + 8: return 0x48;
    case VK_PRIOR: case VK_NUMPAD0 + 9: return 0x49;
    case VK_SUBTRACT: return 0x4A;
    case VK_LEFT: case VK_NUMPAD0 + 4: return 0x4B;
    case VK_NUMPAD0 + 5: return 0x4C;
    case VK_RIGHT: case VK_NUMPAD0 + 6: return 0x4D;
    case VK_ADD: return 0x4E;
    case VK_END: case VK_NUMPAD0 + 1: return 0x4F;
    case VK_DOWN: case VK_NUMPAD0 + 2: return 0x50;
    case VK_NEXT: case VK_NUMPAD0 + 3: return 0x51;
    case VK_INSERT: case VK_NUMPAD0: return 0x52;
    case VK_DELETE: case VK_DECIMAL: return 0x53;
    case VK_F1 + 10: return 0x57;
    case VK_F12: return 0x58;
    default: return 0;
  }
}

constexpr LPARAM kExtendedBit = LPARAM{1} << 24;
constexpr LPARAM kAltBit = LPARAM{1} << 29;
constexpr LPARAM kPreviousStateBit = LPARAM{1} << 30;
constexpr LPARAM kTransitionBit = static_cast<LPARAM>(DWORD{1} << 31);

LPARAM KeyLParam(int vk, bool altDown, bool wasDown, bool release) {
  LPARAM lParam = 1 | (static_cast<LPARAM>(ScanCodeOf(vk)) << 16);
  if (IsExtendedKey(vk)) lParam |= kExtendedBit;
  if (altDown) lParam |= kAltBit;
  if (wasDown) lParam |= kPreviousStateBit;
  if (release) lParam |= kTransitionBit;
  return lParam;
}

// ---- characters of keys ----

// The punctuation keys with their plain and shifted characters.
struct PunctuationKey {
  int vk;
  char plain;
  char shifted;
};
constexpr PunctuationKey kPunctuation[] = {
    {VK_OEM_1, ';', ':'},  {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'}, {VK_OEM_3, '`', '~'}, {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'}, {VK_OEM_6, ']', '}'}, {VK_OEM_7, '\'', '"'},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool caps = false;
};

// The character a key press gives, 0 for none.
int CharacterOf(int vk, Modifiers m) {
  if (vk >= 'A' && vk <= 'Z') {
    if (m.ctrl) return vk - 'A' + 1;
    return m.shift != m.caps ? vk : vk - 'A' + 'a';
  }
  switch (vk) {
    case VK_RETURN: return m.ctrl ? '\n' : '\r';
    case VK_BACK: return m.ctrl ? 0x7F : '\b';
    case VK_ESCAPE: return 0x1B;
    case VK_SPACE: return ' ';
    case VK_TAB: return m.ctrl ? 0 : '\t';
    default: break;
  }
  if (m.ctrl) return 0;
  if (vk >= '0' && vk <= '9') return m.shift ? kShiftedDigits[vk - '0'] : vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + vk - VK_NUMPAD0;
  switch (vk) {
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    default: break;
  }
  for (const PunctuationKey& key : kPunctuation)
    if (key.vk == vk) return m.shift ? key.shifted : key.plain;
  return 0;
}

// The keys a person presses for a character (the modifiers to hold with it).
struct Keystroke {
  int vk;
  bool shift;
  bool ctrl;
};

std::optional<Keystroke> KeystrokeOf(BYTE c, bool capsOn) {
  if (c >= 'a' && c <= 'z') return Keystroke{c - 'a' + 'A', capsOn, false};
  if (c >= 'A' && c <= 'Z') return Keystroke{c, !capsOn, false};
  if (c >= '0' && c <= '9') return Keystroke{c, false, false};
  switch (c) {
    case '\r': case '\n': return Keystroke{VK_RETURN, false, false};
    case '\t': return Keystroke{VK_TAB, false, false};
    case '\b': return Keystroke{VK_BACK, false, false};
    case 0x1B: return Keystroke{VK_ESCAPE, false, false};
    case ' ': return Keystroke{VK_SPACE, false, false};
    default: break;
  }
  if (c >= 1 && c <= 26) return Keystroke{'A' + c - 1, false, true};
  if (const char* at = std::strchr(kShiftedDigits, c); at && c)
    return Keystroke{'0' + static_cast<int>(at - kShiftedDigits), true, false};
  for (const PunctuationKey& key : kPunctuation) {
    if (c == static_cast<BYTE>(key.plain)) return Keystroke{key.vk, false, false};
    if (c == static_cast<BYTE>(key.shifted)) return Keystroke{key.vk, true, false};
  }
  return std::nullopt;
}

// ---- key messages ----

bool IsDown(const KeyStates& keys, int vk) { return keys[vk] & kDown; }

// Alt makes system keys of all but Ctrl+Alt combinations; F10 is the menu key.
bool IsSystemKey(int vk, const KeyStates& keys) {
  return (IsDown(keys, VK_MENU) && !IsDown(keys, VK_CONTROL)) || vk == VK_F10;
}

void PostKeyboardLocked(UINT message, WPARAM wParam, LPARAM lParam) {
  if (Window* target = KeyboardTargetLocked())
    PostInputLocked(*target, message, wParam, lParam);
}

void InjectKey(int vk, bool press) {
  if (!IsKey(vk)) return;
  {
    std::lock_guard lock(KernelMutex());
    KeyStates& keys = AsyncKeys();
    const bool wasDown = IsDown(keys, vk);
    // A key counts with itself held, so that Alt's own press and release are system keys.
    if (press) Press(keys, vk);
    const bool system = IsSystemKey(vk, keys);
    const bool altDown = IsDown(keys, VK_MENU);
    if (!press) Release(keys, vk);
    const UINT message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    const LPARAM lParam = KeyLParam(vk, altDown && system, press ? wasDown : true, !press);
    PostKeyboardLocked(message, static_cast<WPARAM>(vk), lParam);
  }
  WakeAll();
}

void PostCharacterInput(BYTE c) {
  {
    std::lock_guard lock(KernelMutex());
    PostKeyboardLocked(WM_CHAR, c, 1);
  }
  WakeAll();
}

void Type(const Keystroke& k) {
  bool shiftDown = false, ctrlDown = false;
  {
    std::lock_guard lock(KernelMutex());
    shiftDown = IsDown(AsyncKeys(), VK_SHIFT);
    ctrlDown = IsDown(AsyncKeys(), VK_CONTROL);
  }
  const bool pressShift = k.shift && !shiftDown, pressCtrl = k.ctrl && !ctrlDown;
  if (pressCtrl) InjectKey(VK_CONTROL, true);
  if (pressShift) InjectKey(VK_SHIFT, true);
  InjectKey(k.vk, true);
  InjectKey(k.vk, false);
  if (pressShift) InjectKey(VK_SHIFT, false);
  if (pressCtrl) InjectKey(VK_CONTROL, false);
}

int VirtualKeyOfMouseMessage(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONUP: case WM_NCLBUTTONDBLCLK:
      return VK_LBUTTON;
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONUP: case WM_NCRBUTTONDBLCLK:
      return VK_RBUTTON;
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN: case WM_NCMBUTTONUP: case WM_NCMBUTTONDBLCLK:
      return VK_MBUTTON;
    default:
      return 0;
  }
}

bool IsButtonRelease(UINT message) {
  switch (message) {
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
    case WM_NCLBUTTONUP: case WM_NCRBUTTONUP: case WM_NCMBUTTONUP:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool AsyncKeyDownLocked(int virtualKey) { return IsKey(virtualKey) && IsDown(AsyncKeys(), virtualKey); }

void SetAsyncKeyLocked(int virtualKey, bool down) {
  if (!IsKey(virtualKey)) return;
  if (down)
    Press(AsyncKeys(), virtualKey);
  else
    Release(AsyncKeys(), virtualKey);
}

void NoteInputRead(const MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
      if (IsKey(static_cast<int>(msg.wParam))) Press(ThreadKeys(), static_cast<int>(msg.wParam));
      return;
    case WM_KEYUP: case WM_SYSKEYUP:
      if (IsKey(static_cast<int>(msg.wParam))) Release(ThreadKeys(), static_cast<int>(msg.wParam));
      return;
    default:
      break;
  }
  if (int vk = VirtualKeyOfMouseMessage(msg.message)) {
    if (IsButtonRelease(msg.message))
      Release(ThreadKeys(), vk);
    else
      Press(ThreadKeys(), vk);
  }
}

bool PostCharacterOfKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  const KeyStates& keys = ThreadKeys();
  const Modifiers m{IsDown(keys, VK_SHIFT), IsDown(keys, VK_CONTROL), (keys[VK_CAPITAL] & kToggled) != 0};
  const int c = IsKey(static_cast<int>(msg.wParam)) ? CharacterOf(static_cast<int>(msg.wParam), m) : 0;
  if (!c) return false;
  return PostMessageA(msg.hwnd, msg.message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(c),
                      msg.lParam);
}

}  // namespace detail

SHORT GetKeyState(int virtualKey) {
  if (!detail::IsKey(virtualKey)) return 0;
  const BYTE state = detail::ThreadKeys()[virtualKey];
  // Down keys read as negative numbers, as callers test them.
  const WORD bits = (state & detail::kDown ? 0xFF80 : 0) | (state & detail::kToggled);
  return static_cast<SHORT>(bits);
}

SHORT GetAsyncKeyState(int virtualKey) {
  std::lock_guard lock(detail::KernelMutex());
  return detail::AsyncKeyDownLocked(virtualKey) ? static_cast<SHORT>(0x8000) : 0;
}

namespace test {

void PressKey(int virtualKey) { detail::InjectKey(virtualKey, true); }

void ReleaseKey(int virtualKey) { detail::InjectKey(virtualKey, false); }

void TypeText(const char* text) {
  if (!text) return;
  bool capsOn = false;
  {
    std::lock_guard lock(detail::KernelMutex());
    capsOn = detail::AsyncKeys()[VK_CAPITAL] & detail::kToggled;
  }
  for (const char* p = text; *p; ++p) {
    const BYTE c = static_cast<BYTE>(*p);
    if (IsDBCSLeadByte(c) && p[1]) {
      // No key makes a double-byte character: it comes as an input method
      // gives it, the lead byte and then the trail byte.
      detail::PostCharacterInput(c);
      detail::PostCharacterInput(static_cast<BYTE>(*++p));
    } else if (auto stroke = detail::KeystrokeOf(c, capsOn)) {
      detail::Type(*stroke);
    } else {
      detail::PostCharacterInput(c);
    }
  }
}

}  // namespace test
}  // namespace win
