#include "platform/LivePresenter.h"

#include <SDL2/SDL_messagebox.h>
#include <spawn.h>
#include <sys/wait.h>

#include <thread>
#include <vector>

#include "platform/Files.h"
#include "platform/LiveDesktop.h"
#include "platform/Paths.h"
#include "platform/Text.h"

extern char** environ;

namespace win::live {

namespace {

Uint32 BoxFlags(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
      return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION:
      return SDL_MESSAGEBOX_WARNING;
    default:
      return SDL_MESSAGEBOX_INFORMATION;
  }
}

// The button that Escape chooses: Cancel, else No, else none.
int EscapeButton(const std::vector<int>& buttons) {
  for (int id : {IDCANCEL, IDNO})
    for (int button : buttons)
      if (button == id) return id;
  return 0;
}

bool IsUrl(const std::string& file) {
  const auto colon = file.find(':');
  return colon != std::string::npos && colon > 1 && file.compare(colon, 3, "://") == 0;
}

}  // namespace

int LivePresenter::MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) {
  const std::vector<int> buttons = MessageBoxButtons(style);
  const int defaultButton = DefaultButton(style);
  const int escapeButton = EscapeButton(buttons);
  std::vector<SDL_MessageBoxButtonData> data;
  for (int id : buttons) {
    Uint32 flags = 0;
    if (id == defaultButton) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (id == escapeButton) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    data.push_back(SDL_MessageBoxButtonData{flags, id, detail::ButtonName(id)});
  }
  const std::string title = AnsiToUtf8(caption);
  const std::string message = AnsiToUtf8(text);
  const SDL_MessageBoxData box{BoxFlags(style), nullptr, title.c_str(), message.c_str(),
                               static_cast<int>(data.size()), data.data(), nullptr};
  int chosen = 0;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) return HeadlessPresenter::MessageBox(owner, text, caption, style);
  // Closing the box without a button is Escape's answer, or the default's.
  if (chosen <= 0) return escapeButton ? escapeButton : defaultButton;
  return chosen;
}

void LivePresenter::MessageBeep(UINT type) {
  if (!Bell()) HeadlessPresenter::MessageBeep(type);
}

std::string ShellTarget(const std::string& file) {
  if (IsUrl(file)) return file;
  const std::string host = detail::ToHostPath(file);
  if (host.empty() || GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  return host;
}

INT_PTR LivePresenter::ShellExecute(HWND, const std::string&, const std::string& file, const std::string&,
                                    const std::string&, INT) {
  const std::string target = ShellTarget(file);
  if (target.empty()) return SE_ERR_FNF;
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(target.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return SE_ERR_FNF;
  // The opener is not waited for, only reaped.
  std::thread([child] { waitpid(child, nullptr, 0); }).detach();
  return 42;
}

}  // namespace win::live
