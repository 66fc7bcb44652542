// Desktop services that need a person (message boxes, beeps, opening a file
// with the shell, breaking into a debugger) go through one replaceable
// presenter: headless by default, scripted in tests, and a live window
// backend later.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace win {

// Buttons.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_CANCELTRYCONTINUE = 0x6;
// Icons, which are also the kinds of MessageBeep.
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
// The default button, the modality and the rest.
constexpr UINT MB_DEFBUTTON1 = 0x0;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_DEFBUTTON4 = 0x300;
constexpr UINT MB_APPLMODAL = 0x0;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_SETFOREGROUND = 0x10000;
constexpr UINT MB_TOPMOST = 0x40000;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_DEFMASK = 0xF00;
constexpr UINT MB_MODEMASK = 0x3000;

// The buttons chosen.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

// ShellExecuteA's answer for a request that names no file.
constexpr INT_PTR SE_ERR_FNF = 2;

// The button ids of a style's button set, left to right; empty for a style
// the platform does not know.
std::vector<int> MessageBoxButtons(UINT style);
// The button that answers when the user just presses Enter: the one named by
// MB_DEFBUTTONn, or the first when there are fewer buttons than that.
int DefaultButton(UINT style);

// The one channel to the person in front of the screen. Texts are code page
// 932; absent texts arrive empty.
class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows a modal message box and answers the button chosen (IDOK...).
  virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) = 0;
  virtual void MessageBeep(UINT type) = 0;
  // Opens a file or folder with the shell; a value above 32 is success.
  virtual INT_PTR ShellExecute(HWND owner, const std::string& verb, const std::string& file,
                               const std::string& parameters, const std::string& directory, INT show) = 0;
  // A break into an attached debugger was asked for.
  virtual void DebugBreak() = 0;
};

// Installs a presenter for the whole process and answers the one it replaces;
// null puts back the headless one.
std::shared_ptr<Presenter> SetPresenter(std::shared_ptr<Presenter> presenter);
std::shared_ptr<Presenter> CurrentPresenter();

// Without a person: dialogs are written to stderr as UTF-8 and take the
// default button, beeps and shell requests are written and not carried out
// (the shell request counts as success), a debugger break happens only when
// a debugger is attached.
class HeadlessPresenter : public Presenter {
 public:
  int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) override;
  void MessageBeep(UINT type) override;
  INT_PTR ShellExecute(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
                       const std::string& directory, INT show) override;
  void DebugBreak() override;
};

// The platform's calls, through the current presenter. A null caption is the
// platform's "エラー"; a style with an unknown button set gives 0 with
// ERROR_INVALID_MSGBOX_STYLE.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// 0xFFFFFFFF is the simple beep.
BOOL MessageBeep(UINT type);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);

// A debugger is attached when the process has a tracer.
BOOL IsDebuggerPresent();
// Breaks into the attached debugger; without one nothing happens, so that a
// request to debug never ends the process.
void DebugBreak();

namespace detail {

// The caption of a message box's button by its id (IDOK ...), "?" for none.
const char* ButtonName(int button);

}  // namespace detail

namespace test {

// Answers message boxes from a queue and records everything it is asked.
// A message box with no queued answer, or with an answer that is not one of
// its buttons, is a fault of the test: it is reported in UTF-8 (to the
// reporter given, ADD_FAILURE in a test, else stderr), recorded in Errors(),
// and the box takes its default button.
class ScriptedPresenter : public Presenter {
 public:
  struct Dialog {
    HWND owner;
    std::string caption;
    std::string text;
    UINT style;
    int answer;
  };
  struct ShellRequest {
    HWND owner;
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    INT show;
  };

  explicit ScriptedPresenter(std::function<void(const std::string&)> reportError = {});

  // Queues the answer to the next message box; `whileOpen` runs while that box
  // is shown, as code run by the modal loop of a real box would.
  void QueueAnswer(int button, std::function<void()> whileOpen = {});
  // What a later shell request answers (default 42, success).
  void SetShellExecuteResult(INT_PTR result);

  std::vector<Dialog> Dialogs() const;
  std::vector<UINT> Beeps() const;
  std::vector<ShellRequest> ShellRequests() const;
  int DebugBreaks() const;
  std::vector<std::string> Errors() const;
  size_t PendingAnswers() const;

  int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) override;
  void MessageBeep(UINT type) override;
  INT_PTR ShellExecute(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
                       const std::string& directory, INT show) override;
  void DebugBreak() override;

 private:
  struct Answer {
    int button;
    std::function<void()> whileOpen;
  };
  void Fail(const std::string& error);

  const std::function<void(const std::string&)> reportError_;
  mutable std::mutex lock_;
  std::deque<Answer> answers_;
  std::vector<Dialog> dialogs_;
  std::vector<UINT> beeps_;
  std::vector<ShellRequest> shellRequests_;
  std::vector<std::string> errors_;
  INT_PTR shellResult_ = 42;
  int debugBreaks_ = 0;
};

}  // namespace test
}  // namespace win
