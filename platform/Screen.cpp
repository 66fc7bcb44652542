#include "platform/Screen.h"

#include <atomic>

namespace win {

namespace {

// Both halves in one word so that a reader never sees a torn size.
std::atomic<uint64_t> screenSize{(uint64_t{1024} << 32) | 768};

}  // namespace

SIZE detail::ScreenSize() {
  uint64_t packed = screenSize.load();
  return SIZE{static_cast<LONG>(packed >> 32), static_cast<LONG>(packed & 0xFFFFFFFF)};
}

void detail::RecordScreenSize(SIZE size) {
  screenSize.store((static_cast<uint64_t>(static_cast<uint32_t>(size.cx)) << 32) | static_cast<uint32_t>(size.cy));
}

}  // namespace win
