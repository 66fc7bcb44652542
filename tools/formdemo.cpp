// Draws the sample form of the standard controls headless and writes what
// the desktop shows around it to a PNG file, for a person to look at:
//   formdemo [file.png]   (formdemo.png by default)
#include <cstdio>
#include <string>

#include "platform/Desktop.h"
#include "platform/Messages.h"
#include "tools/SampleForm.h"

namespace {

void HandlePendingMessages() {
  win::MSG msg;
  while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageA(&msg);
  }
  win::test::PaintPending();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "formdemo.png";
  TSampleForm form(nullptr);
  form.Show();
  form.ApplyShape();
  HandlePendingMessages();
  if (!SaveSamplePng(form, 10, path)) {
    std::fprintf(stderr, "formdemo: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}
