#include "player/Notifier.h"

#include <algorithm>

#include "platform/Messages.h"

namespace koru {

Notifier::Notifier() : messageId_(win::RegisterWindowMessageA("WM_KORU")) {}

Registration& Notifier::Register(const Registration& registration) {
  if (Registration* known = Find(registration.window)) {
    *known = registration;
    return *known;
  }
  registrations_.push_back(registration);
  return registrations_.back();
}

bool Notifier::Unregister(win::HWND window) {
  auto it = std::find_if(registrations_.begin(), registrations_.end(),
                         [window](const Registration& r) { return r.window == window; });
  if (it == registrations_.end()) return false;
  registrations_.erase(it);
  return true;
}

Registration* Notifier::Find(win::HWND window) {
  auto it = std::find_if(registrations_.begin(), registrations_.end(),
                         [window](const Registration& r) { return r.window == window; });
  return it == registrations_.end() ? nullptr : &*it;
}

int Notifier::NotifyAll(win::DWORD event, win::LONG param) const {
  int posted = 0;
  for (const Registration& r : registrations_) {
    if (MaskWants(r.mask, event) && Post(r.window, event, param)) ++posted;
  }
  return posted;
}

bool Notifier::NotifyWindow(win::HWND window, win::DWORD event, win::LONG param) const {
  auto it = std::find_if(registrations_.begin(), registrations_.end(),
                         [window](const Registration& r) { return r.window == window; });
  if (it != registrations_.end() && !MaskWants(it->mask, event)) return false;
  return Post(window, event, param);
}

bool Notifier::Post(win::HWND window, win::DWORD event, win::LONG param) const {
  return win::PostMessageA(window, messageId_, static_cast<win::WPARAM>(event), static_cast<win::LPARAM>(param));
}

}  // namespace koru
