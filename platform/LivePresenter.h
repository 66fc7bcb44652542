// The presenter of the live desktop: message boxes are the desktop's own
// windows, the shell's open is xdg-open, and beeps ring the display's bell.
#pragma once

#include <string>

#include "platform/Presenter.h"

namespace win::live {

class LivePresenter : public HeadlessPresenter {
 public:
  int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) override;
  void MessageBeep(UINT type) override;
  // Opens a Windows path (or a URL) with xdg-open, without waiting for it;
  // SE_ERR_FNF when the path names nothing on the host or xdg-open cannot
  // be started.
  INT_PTR ShellExecute(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
                       const std::string& directory, INT show) override;
};

// What xdg-open is given for a file: a URL as it is, a Windows path as its
// host path; empty when the path names nothing on the host.
std::string ShellTarget(const std::string& file);

}  // namespace win::live
