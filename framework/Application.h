// The application: the main thread's message loop, idle processing, the
// serving of synchronised calls from other threads, and the last stop of
// exceptions raised while a message is handled.
#pragma once

#include <functional>
#include <string>

#include "framework/Classes.h"
#include "platform/Types.h"

class Exception;
class TCustomForm;

// Done stays true when the handler has no more idle work: the loop then
// sleeps until a message comes.
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, Exception* E)>;
using TMessageEvent = std::function<void(win::MSG& Msg, bool& Handled)>;

// One per program, made by the program (or test) on its main thread; its
// constructor makes it the global Application and its destructor clears that.
// It owns a hidden window of class "TApplication": the owner of its message
// boxes and the window that a thread's Synchronize wakes (WakeMainThread
// posts WM_NULL to it). End every thread before the application goes.
class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  win::HWND Handle() const { return handle_; }
  // The program's file name without its extension until one is set.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value);
  std::string ExeName() const;  // ParamStr(0)

  // Handles messages until Terminate's quit message arrives.
  void Run();
  // Handles every message already waiting and returns.
  void ProcessMessages();
  // Handles one message; without one, does the idle processing and waits.
  void HandleMessage();
  // Posts the quit message that ends Run.
  void Terminate();
  // The form whose closing ends Run; none unless the program names one.
  TCustomForm* MainForm() const { return mainForm_; }
  void SetMainForm(TCustomForm* Value) { mainForm_ = Value; }
  bool Terminated() const { return terminated_; }

  // Shows the exception being handled (call it inside a catch), or hands it
  // to OnException when that is assigned.
  void HandleException(TObject* Sender);
  void ShowException(Exception* E);
  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags);

  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  // Sees each message before it is dispatched; Handled stops the dispatch.
  TMessageEvent OnMessage;

 private:
  static win::LRESULT WndProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
  bool ProcessMessage(win::MSG& Msg);
  void Idle();
  void ServeSynchronize();

  win::HWND handle_{};
  std::string title_;
  bool terminated_ = false;
  TCustomForm* mainForm_ = nullptr;
};

extern TApplication* Application;
