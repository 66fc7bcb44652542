#include "framework/Application.h"

#include <exception>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "framework/Thread.h"
#include "platform/Messages.h"
#include "platform/Presenter.h"
#include "platform/Sync.h"
#include "platform/Text.h"

TApplication* Application = nullptr;

namespace {

constexpr char kWindowClass[] = "TApplication";

void RegisterWindowClass(win::WNDPROC proc) {
  win::WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = kWindowClass;
  win::RegisterClassA(&wc);  // fails harmlessly when an earlier application registered it
}

// Whether the message ends in a character that calls for a closing period,
// as the framework's exception boxes add one: a character past '.' (letters,
// digits, double-byte characters).
bool WantsPeriod(const std::string& text) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < text.size(); i += win::IsDBCSLeadByte(static_cast<win::BYTE>(text[i])) ? 2 : 1) last = i;
  return last != std::string::npos && static_cast<unsigned char>(text[last]) > '.';
}

}  // namespace

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  title_ = ChangeFileExt(ExtractFileName(ParamStr(0)), "");
  RegisterWindowClass(&TApplication::WndProc);
  handle_ = win::CreateWindowExA(0, kWindowClass, title_.c_str(), win::WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 nullptr, nullptr);
  if (!handle_) RaiseLastOSError();
  const win::HWND wakeTarget = handle_;
  WakeMainThread = [wakeTarget] { win::PostMessageA(wakeTarget, win::WM_NULL, 0, 0); };
  if (!Application) Application = this;
}

TApplication::~TApplication() {
  if (Application == this) Application = nullptr;
  WakeMainThread = nullptr;
  win::DestroyWindow(handle_);
}

void TApplication::SetTitle(const std::string& Value) {
  title_ = Value;
  win::SetWindowTextA(handle_, title_.c_str());
}

std::string TApplication::ExeName() const { return ParamStr(0); }

void TApplication::Run() {
  while (!terminated_) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);  // an OnException handler that raised
    }
  }
}

void TApplication::ProcessMessages() {
  win::MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  win::MSG msg;
  if (!ProcessMessage(msg)) Idle();
}

void TApplication::Terminate() { win::PostQuitMessage(0); }

bool TApplication::ProcessMessage(win::MSG& Msg) {
  if (!win::PeekMessageA(&Msg, nullptr, 0, 0, win::PM_REMOVE)) return false;
  if (Msg.message == win::WM_QUIT) {
    terminated_ = true;
    return true;
  }
  try {
    bool handled = false;
    if (OnMessage) OnMessage(Msg, handled);
    if (!handled) {
      win::TranslateMessage(&Msg);
      win::DispatchMessageA(&Msg);
    }
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::Idle() {
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    ServeSynchronize();
  } catch (...) {
    HandleException(this);
  }
  if (done) win::WaitMessage();
}

void TApplication::ServeSynchronize() {
  if (win::GetCurrentThreadId() == MainThreadID) CheckSynchronize();
}

win::LRESULT TApplication::WndProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  // A thread's wake-up: its synchronised call waits to be run.
  if (message == win::WM_NULL && Application && Application->handle_ == hwnd) {
    Application->ServeSynchronize();
    return 0;
  }
  return win::DefWindowProcA(hwnd, message, wParam, lParam);
}

void TApplication::HandleException(TObject* Sender) {
  const std::exception_ptr current = std::current_exception();
  if (!current) return;
  const auto report = [&](Exception& e) {
    if (OnException)
      OnException(Sender, &e);
    else
      ShowException(&e);
  };
  try {
    std::rethrow_exception(current);
  } catch (Exception& e) {
    report(e);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    report(wrapped);
  } catch (...) {
    Exception wrapped(SUnknownException);
    report(wrapped);
  }
}

void TApplication::ShowException(Exception* E) {
  std::string text = E->Message;
  if (WantsPeriod(text)) text += '.';
  MessageBox(text, title_, win::MB_OK | win::MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) {
  return win::MessageBoxA(handle_, Text.c_str(), Caption.c_str(), Flags);
}
