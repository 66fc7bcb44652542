// Forms: top-level windows holding controls (TCustomForm, TForm), and the
// screen with the program's forms and its cursor (TScreen, the global Screen).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/Controls.h"

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize };
using TBorderIcons = TSet<TBorderIcon>;

enum TFormStyle { fsNormal, fsStayOnTop };

// Where a form is placed when it is first shown: where its Left and Top say,
// or centred on the screen.
enum TPosition { poDesigned, poScreenCenter };

// What closing does: nothing (the form stays), hide it, free it (after the
// message that closed it), or minimise it.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A form: a top-level window (WS_POPUP with the frame of its BorderStyle and
// BorderIcons), hidden until shown, clipping its children. A derived form's
// constructor builds its design-time children as a form resource would:
// inside a TComponentLoader that holds the form and its children, so that
// they are csLoading while their properties are set, then Loaded() (which
// aligns the children and fires OnCreate).
class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // A change of the border keeps the client area's size.
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons Value);
  // A change re-creates the window with or without WS_EX_TOPMOST.
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle Value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  // Whether the form scales to the screen's pixels per inch; the screen has
  // the design's, so nothing is scaled either way.
  bool Scaled() const { return scaled_; }
  void SetScaled(bool Value) { scaled_ = Value; }
  // Key events of the form's controls reach the form's first.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool Value) { keyPreview_ = Value; }

  TCanvas* Canvas() const { return canvas_.get(); }
  // Whether the form's window is the active one.
  bool Active() const { return active_; }

  // Asks OnCloseQuery, then OnClose with the action caHide; the main form's
  // closing ends the application instead.
  void Close();
  virtual bool CloseQuery();
  // Frees the form once the messages already posted to it are handled.
  void Release();

  void Loaded() override;

  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(win::HDC DC) override;
  int ShowCommand() const override;
  void UpdateShowing() override;
  virtual void Paint();
  virtual void DoClose(TCloseAction& Action);
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();

  void Dispatch(TMessage& Message) override;
  void CMVisibleChanged(TMessage& Message) override;
  virtual void WMClose(TMessage& Message);
  virtual void WMActivate(TMessage& Message);
  virtual void CMRelease(TMessage& Message);

 private:
  void PlaceOnScreen();

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  bool scaled_ = true;
  bool keyPreview_ = false;
  bool active_ = false;
  bool placed_ = false;
  std::unique_ptr<TCanvas> canvas_;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// The screen: its size, the program's forms, and the cursor that overrides
// every control's while it is not crDefault.
class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* AOwner) : TComponent(AOwner) {}

  int Width() const;
  int Height() const;

  TCursor Cursor() const { return cursor_; }
  // crHourGlass and the others show at once; crDefault gives the cursor
  // back to the window under the mouse.
  void SetCursor(TCursor Value);
  // The platform's cursor for a cursor number (the arrow for unknown ones).
  win::HCURSOR Cursors(TCursor Index) const;

  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int Index) const;  // EListError for a bad index
  // The form whose window is active, or null.
  TCustomForm* ActiveForm() const { return activeForm_; }

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* Form) { forms_.push_back(Form); }
  void RemoveForm(TCustomForm* Form);

  TCursor cursor_ = crDefault;
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
};

extern TScreen* Screen;
