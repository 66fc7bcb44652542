#include "platform/Presenter.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/Errors.h"
#include "platform/Text.h"

namespace win {

namespace {

struct PresenterSlot {
  std::mutex lock;
  std::shared_ptr<Presenter> presenter;
};

PresenterSlot& Slot() {
  static auto* slot = new PresenterSlot;
  return *slot;
}

std::string OrEmpty(LPCSTR text) { return text ? text : ""; }

}  // namespace

namespace detail {

const char* ButtonName(int button) {
  switch (button) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "Abort";
    case IDRETRY:
      return "Retry";
    case IDIGNORE:
      return "Ignore";
    case IDYES:
      return "Yes";
    case IDNO:
      return "No";
    case IDTRYAGAIN:
      return "Try Again";
    case IDCONTINUE:
      return "Continue";
    default:
      return "?";
  }
}

}  // namespace detail

std::vector<int> MessageBoxButtons(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OK:
      return {IDOK};
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
      return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
      return {};
  }
}

int DefaultButton(UINT style) {
  const std::vector<int> buttons = MessageBoxButtons(style);
  if (buttons.empty()) return 0;
  const size_t index = (style & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

std::shared_ptr<Presenter> SetPresenter(std::shared_ptr<Presenter> presenter) {
  PresenterSlot& slot = Slot();
  std::lock_guard guard(slot.lock);
  std::shared_ptr<Presenter> previous = std::move(slot.presenter);
  slot.presenter = std::move(presenter);
  return previous ? previous : std::make_shared<HeadlessPresenter>();
}

std::shared_ptr<Presenter> CurrentPresenter() {
  PresenterSlot& slot = Slot();
  std::lock_guard guard(slot.lock);
  if (!slot.presenter) slot.presenter = std::make_shared<HeadlessPresenter>();
  return slot.presenter;
}

// ---- Headless -----------------------------------------------------------------

int HeadlessPresenter::MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) {
  const int answer = DefaultButton(style);
  std::fprintf(stderr, "[message box] %s\n%s\n[answered] %s\n", AnsiToUtf8(caption).c_str(), AnsiToUtf8(text).c_str(),
               detail::ButtonName(answer));
  return answer;
}

void HeadlessPresenter::MessageBeep(UINT type) { std::fprintf(stderr, "[beep] 0x%X\n", type); }

INT_PTR HeadlessPresenter::ShellExecute(HWND owner, const std::string& verb, const std::string& file,
                                        const std::string& parameters, const std::string& directory, INT show) {
  std::fprintf(stderr, "[shell %s] %s %s (in \"%s\"), not opened without a desktop\n",
               verb.empty() ? "default" : AnsiToUtf8(verb).c_str(), AnsiToUtf8(file).c_str(),
               AnsiToUtf8(parameters).c_str(), AnsiToUtf8(directory).c_str());
  return 42;
}

void HeadlessPresenter::DebugBreak() {
  if (IsDebuggerPresent()) std::raise(SIGTRAP);
}

// ---- The platform's calls -----------------------------------------------------

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (MessageBoxButtons(type).empty()) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  return CurrentPresenter()->MessageBox(owner, OrEmpty(text), caption ? std::string(caption) : SJ("エラー"), type);
}

BOOL MessageBeep(UINT type) {
  CurrentPresenter()->MessageBeep(type);
  return TRUE;
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show) {
  if (!file || !*file) return reinterpret_cast<HINSTANCE>(SE_ERR_FNF);
  const INT_PTR result =
      CurrentPresenter()->ShellExecute(owner, OrEmpty(verb), file, OrEmpty(parameters), OrEmpty(directory), show);
  return reinterpret_cast<HINSTANCE>(result);
}

BOOL IsDebuggerPresent() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10) != 0 ? TRUE : FALSE;
  }
  return FALSE;
}

void DebugBreak() { CurrentPresenter()->DebugBreak(); }

// ---- Scripted -----------------------------------------------------------------

namespace test {

ScriptedPresenter::ScriptedPresenter(std::function<void(const std::string&)> reportError)
    : reportError_(std::move(reportError)) {}

void ScriptedPresenter::QueueAnswer(int button, std::function<void()> whileOpen) {
  std::lock_guard guard(lock_);
  answers_.push_back({button, std::move(whileOpen)});
}

void ScriptedPresenter::SetShellExecuteResult(INT_PTR result) {
  std::lock_guard guard(lock_);
  shellResult_ = result;
}

std::vector<ScriptedPresenter::Dialog> ScriptedPresenter::Dialogs() const {
  std::lock_guard guard(lock_);
  return dialogs_;
}

std::vector<UINT> ScriptedPresenter::Beeps() const {
  std::lock_guard guard(lock_);
  return beeps_;
}

std::vector<ScriptedPresenter::ShellRequest> ScriptedPresenter::ShellRequests() const {
  std::lock_guard guard(lock_);
  return shellRequests_;
}

int ScriptedPresenter::DebugBreaks() const {
  std::lock_guard guard(lock_);
  return debugBreaks_;
}

std::vector<std::string> ScriptedPresenter::Errors() const {
  std::lock_guard guard(lock_);
  return errors_;
}

size_t ScriptedPresenter::PendingAnswers() const {
  std::lock_guard guard(lock_);
  return answers_.size();
}

int ScriptedPresenter::MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) {
  const std::vector<int> buttons = MessageBoxButtons(style);
  Answer answer{DefaultButton(style), {}};
  std::string error;
  {
    std::lock_guard guard(lock_);
    if (answers_.empty()) {
      error = "no answer queued for the message box";
    } else if (std::find(buttons.begin(), buttons.end(), answers_.front().button) == buttons.end()) {
      error =
          std::string("queued answer ") + detail::ButtonName(answers_.front().button) + " is not a button of the message box";
      answers_.pop_front();
    } else {
      answer = std::move(answers_.front());
      answers_.pop_front();
    }
    dialogs_.push_back({owner, caption, text, style, answer.button});
  }
  if (!error.empty()) Fail(error + " \"" + AnsiToUtf8(caption) + "\": " + AnsiToUtf8(text));
  if (answer.whileOpen) answer.whileOpen();
  return answer.button;
}

void ScriptedPresenter::MessageBeep(UINT type) {
  std::lock_guard guard(lock_);
  beeps_.push_back(type);
}

INT_PTR ScriptedPresenter::ShellExecute(HWND owner, const std::string& verb, const std::string& file,
                                        const std::string& parameters, const std::string& directory, INT show) {
  std::lock_guard guard(lock_);
  shellRequests_.push_back({owner, verb, file, parameters, directory, show});
  return shellResult_;
}

void ScriptedPresenter::DebugBreak() {
  std::lock_guard guard(lock_);
  ++debugBreaks_;
}

void ScriptedPresenter::Fail(const std::string& error) {
  {
    std::lock_guard guard(lock_);
    errors_.push_back(error);
  }
  if (reportError_)
    reportError_(error);
  else
    std::fprintf(stderr, "ScriptedPresenter: %s\n", error.c_str());
}

}  // namespace test
}  // namespace win
