#include "framework/Dialogs.h"

#include <array>
#include <utility>

#include "framework/Exceptions.h"
#include "platform/Presenter.h"
#include "platform/Text.h"

namespace {

win::UINT IconOf(TMsgDlgType DlgType) {
  switch (DlgType) {
    case mtWarning:
      return win::MB_ICONWARNING;
    case mtError:
      return win::MB_ICONERROR;
    case mtInformation:
      return win::MB_ICONINFORMATION;
    case mtConfirmation:
      return win::MB_ICONQUESTION;
    case mtCustom:
      break;
  }
  return 0;
}

win::UINT ButtonSetOf(TMsgDlgButtons Buttons) {
  static const std::array<std::pair<TMsgDlgButtons, win::UINT>, 6> sets = {{
      {{mbOK}, win::MB_OK},
      {{mbOK, mbCancel}, win::MB_OKCANCEL},
      {{mbYes, mbNo}, win::MB_YESNO},
      {{mbYes, mbNo, mbCancel}, win::MB_YESNOCANCEL},
      {{mbRetry, mbCancel}, win::MB_RETRYCANCEL},
      {{mbAbort, mbRetry, mbIgnore}, win::MB_ABORTRETRYIGNORE},
  }};
  for (const auto& [set, style] : sets)
    if (set == Buttons) return style;
  throw Exception("MessageDlg: no dialog of the platform has these buttons");
}

}  // namespace

std::string MessageDlgTitle(TMsgDlgType DlgType) {
  switch (DlgType) {
    case mtWarning:
      return SJ("警告");
    case mtError:
      return SJ("エラー");
    case mtInformation:
      return SJ("情報");
    case mtConfirmation:
      return SJ("確認");
    case mtCustom:
      break;
  }
  return {};
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  const win::UINT style = ButtonSetOf(Buttons) | IconOf(DlgType) | win::MB_APPLMODAL;
  const std::string title = MessageDlgTitle(DlgType);
  // The platform's message box answers its button ids, which are the modal results.
  return win::MessageBoxA(nullptr, Msg.c_str(), title.c_str(), style);
}
