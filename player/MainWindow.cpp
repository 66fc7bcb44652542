#include "player/MainWindow.h"

#include "framework/Classes.h"
#include "framework/Exceptions.h"
#include "hostlink/Koru.h"
#include "platform/Messages.h"
#include "platform/Window.h"
#include "player/PinHost.h"
#include "player/Player.h"
#include "player/PluginLoader.h"

namespace {

constexpr win::UINT_PTR kTickTimer = 1;

TLabel* AddLabel(TComponentLoader& Loader, TFormKORU* Form, const char* Name, int Top) {
  auto* label = Loader.Add(new TLabel(Form));
  label->SetName(Name);
  label->SetParent(Form);
  label->SetBounds(8, Top, 380, 16);
  label->SetAutoSize(false);
  label->SetCaption("");
  return label;
}

}  // namespace

TFormKORU::TFormKORU(TComponent* AOwner, koru::Player& Player) : TForm(AOwner), player_(Player) {
  TComponentLoader loader;
  loader.Add(static_cast<TComponent*>(this));
  SetName("FormKORU");
  SetCaption("KORU");
  SetBorderStyle(bsSingle);
  SetBorderIcons({biSystemMenu, biMinimize});
  SetColor(clBtnFace);
  LabelTitle = AddLabel(loader, this, "LabelTitle", 8);
  LabelTime = AddLabel(loader, this, "LabelTime", 28);
  LabelState = AddLabel(loader, this, "LabelState", 48);
  PanelLyrics = loader.Add(new TPanel(this));
  PanelLyrics->SetName("PanelLyrics");
  PanelLyrics->SetParent(this);
  PanelLyrics->SetAlign(alBottom);
  PanelLyrics->SetHeight(24);
  PanelLyrics->SetBevelOuter(bvLowered);
  PanelLyrics->SetCaption("");
  PanelLyrics->Tag = koru::kControlLyrics;
  PanelLyrics->OnClick = [this](TObject*) { player_.MainWindowEvent(koru::kStatusClick, koru::kControlLyrics); };
  PanelLyrics->OnDblClick = [this](TObject*) { player_.MainWindowEvent(koru::kStatusDblClick, koru::kControlLyrics); };
  loader.Loaded();
}

TFormKORU::~TFormKORU() { Shut(); }

bool TFormKORU::Open(win::LONG Left, win::LONG Top, win::LONG Width, win::LONG Height, bool Visible,
                     win::UINT TickMs) {
  SetBounds(Left, Top, Width, Height);
  try {
    HandleNeeded();
  } catch (const Exception&) {
    return false;  // the platform's last error tells why
  }
  win::SetTimer(Handle(), kTickTimer, TickMs, nullptr);
  Refresh();
  SetVisible(Visible);
  return true;
}

void TFormKORU::Shut() {
  if (!HandleAllocated()) return;
  win::KillTimer(Handle(), kTickTimer);
  DestroyHandle();
}

void TFormKORU::WndProc(TMessage& Message) {
  if (!HandlePlayerMessage(Message) && !HandleWindowEvent(Message)) TForm::WndProc(Message);
}

// What happens to the window itself, told to the plug-ins once the form has
// handled it; false for every other message.
bool TFormKORU::HandleWindowEvent(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_ACTIVATE:
      TForm::WndProc(Message);
      player_.MainWindowEvent(koru::kStatusActive, win::LOWORD(Message.WParam) != win::WA_INACTIVE ? 1 : 0);
      return true;
    case win::WM_SIZE:
      TForm::WndProc(Message);
      if ((Message.WParam == win::SIZE_MINIMIZED) != minimized_) {
        minimized_ = !minimized_;
        player_.MainWindowEvent(koru::kStatusMinimize, minimized_ ? 1 : 0);
      }
      return true;
    case win::WM_LBUTTONDOWN:
      pressed_ = true;
      TForm::WndProc(Message);
      return true;
    case win::WM_LBUTTONUP: {
      const bool click = pressed_;
      pressed_ = false;
      TForm::WndProc(Message);
      if (click) player_.MainWindowEvent(koru::kStatusClick, 0);
      return true;
    }
    case win::WM_LBUTTONDBLCLK:
      TForm::WndProc(Message);
      player_.MainWindowEvent(koru::kStatusDblClick, 0);
      return true;
    default:
      return false;
  }
}

// The player's requests and deferred work; false for every other message.
bool TFormKORU::HandlePlayerMessage(TMessage& Message) {
  if (Message.Msg == player_.MessageId()) {
    switch (Message.WParam) {
      case koru::kRequestHello:
        player_.Hello(win::HandleFromId<win::HWND>(static_cast<uint32_t>(Message.LParam)));
        Message.Result = 1;
        break;
      case koru::kRequestToolsChanged:
        player_.ReloadTools();
        Message.Result = 1;
        break;
      default:
        Message.Result = 0;
    }
    return true;
  }
  switch (Message.Msg) {
    case win::WM_TIMER:
      if (Message.WParam != kTickTimer) return false;
      player_.Tick();
      return true;
    case koru::kApplyWindowState:
      Refresh();
      return true;
    case koru::kEndPlugin:
      player_.Plugins().End(win::HandleFromId<win::HMODULE>(static_cast<uint32_t>(Message.WParam)));
      return true;
    case koru::kCloseLater:
    case win::WM_CLOSE:
      player_.Quit();
      return true;
    case win::WM_MOVE: {
      TForm::WndProc(Message);
      win::RECT r{};
      win::GetWindowRect(Handle(), &r);
      if (!applyingPlace_ && (r.left != player_.Left() || r.top != player_.Top())) player_.MoveTo(r.left, r.top, true);
      return true;
    }
    default:
      return false;
  }
}

void TFormKORU::Refresh() {
  if (!HandleAllocated()) return;
  FollowPlayerPlace();
  ShowPlayerTexts();
}

void TFormKORU::FollowPlayerPlace() {
  win::RECT r{};
  win::GetWindowRect(Handle(), &r);
  if (r.left != player_.Left() || r.top != player_.Top()) {
    applyingPlace_ = true;
    SetBounds(player_.Left(), player_.Top(), Width(), Height());
    applyingPlace_ = false;
  }
  if (Visible() != player_.Visible()) SetVisible(player_.Visible());
}

void TFormKORU::ShowPlayerTexts() {
  const koru::Player::MainTexts texts = player_.Texts();
  if (Caption() != texts.caption) {
    SetCaption(texts.caption);
    player_.MainWindowEvent(koru::kStatusDisplayCaption, 0);
  }
  if (LabelTitle->Caption() != texts.title) LabelTitle->SetCaption(texts.title);
  if (LabelTime->Caption() != texts.time) LabelTime->SetCaption(texts.time);
  if (LabelState->Caption() != texts.state) LabelState->SetCaption(texts.state);
  const koru::TextRecord lyrics = player_.DisplayText();
  if (PanelLyrics->Caption() != lyrics.text) PanelLyrics->SetCaption(lyrics.text);
  PanelLyrics->SetColor(static_cast<TColor>(lyrics.backColor));
  const koru::FontRecord& font = lyrics.font;
  ApplyPlayerFont(*PanelLyrics->Font(), font.name, font.charset, font.size, font.style, font.color);
}
