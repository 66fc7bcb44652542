// Helpers of a client of automation interfaces: wide strings that free
// themselves, holders of interface references, and the two checks that
// report a broken call to the person at the screen: _ASSERTE before a call
// through an empty holder and HRCHECK after a call that failed.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/Com.h"

// The report texts are built in buffers of this size (terminator included);
// longer texts are shortened to fit, never inside a double-byte character.
inline constexpr size_t kReportBufferSize = 520;

// Shows the report dialog: `message` with the line that explains the three
// buttons, under `caption`; answers the button chosen (IDYES, IDNO, IDCANCEL).
int ShowReportDialog(const std::string& caption, const std::string& message);

// The reference check: reports "<Expression> @ <Source>/<Line>"; Yes raises
// EOleException (E_FAIL). Answers the button chosen.
int _ASSERTE(const char* Expression, const char* Source, int Line);

// The result check: a failed Result (negative) is reported with the system's
// text for it, or its number when the system has none. Yes raises
// EOleException with the report's message and Result; Cancel asks for a
// break into a debugger; No and Cancel continue. Answers Result.
win::HRESULT HRCHECK(win::HRESULT Result, const char* Expression, const char* Source, int Line);

// A string of the automation allocator owned by this object: made from a
// text for an in-argument, or received as an out-value; freed at the end.
class WideString {
 public:
  WideString() = default;
  explicit WideString(std::string_view ansi) : bstr_(win::AnsiToBstr(ansi)) {}
  ~WideString() { win::SysFreeString(bstr_); }
  WideString(const WideString&) = delete;
  WideString& operator=(const WideString&) = delete;

  win::BSTR c_bstr() const { return bstr_; }
  // The place for an out-value; what the string held before is freed.
  win::BSTR* Out() {
    win::SysFreeString(std::exchange(bstr_, nullptr));
    return &bstr_;
  }
  std::string Ansi() const { return win::BstrToAnsi(bstr_); }

 private:
  win::BSTR bstr_ = nullptr;
};

// A holder of one interface reference, empty or owning one reference.
template <class T>
class TComInterface {
 public:
  using Interface = T;

  TComInterface() = default;
  ~TComInterface() { Release(); }
  TComInterface(const TComInterface&) = delete;
  TComInterface& operator=(const TComInterface&) = delete;

  // Takes over a reference the caller holds, releasing the one held before.
  void Attach(T* intf) {
    Release();
    intf_ = intf;
  }
  // Hands the reference over to the caller, leaving the holder empty.
  T* Detach() { return std::exchange(intf_, nullptr); }
  void Release() {
    if (T* intf = std::exchange(intf_, nullptr)) intf->Release();
  }
  bool IsBound() const { return intf_ != nullptr; }

  // The reference for a call. An empty holder is reported by _ASSERTE and
  // answers null when the person chose to go on.
  T* Checked() const {
    if (!intf_) _ASSERTE("intf != 0", "utilcls", 2912);
    return intf_;
  }

  // Calls an operation through the checked reference; E_POINTER when there
  // is none.
  template <class... Params, class... Args>
  win::HRESULT Call(win::HRESULT (T::*operation)(Params...), Args... args) const {
    T* intf = Checked();
    return intf ? (intf->*operation)(args...) : win::E_POINTER;
  }

 private:
  T* intf_ = nullptr;
};
