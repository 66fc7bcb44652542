#include "framework/Dialogs.h"

#include "framework/Application.h"
#include "framework/Consts.h"
#include "framework/SysUtils.h"
#include "platform/Presenter.h"
#include "platform/Text.h"

namespace {

std::string ApplicationTitle() {
  return Application ? Application->Title() : ChangeFileExt(ExtractFileName(ParamStr(0)), "");
}

win::HWND ApplicationHandle() { return Application ? Application->Handle() : nullptr; }

std::string Caption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return SJ(SMsgDlgWarning);
    case mtError: return SJ(SMsgDlgError);
    case mtInformation: return SJ(SMsgDlgInformation);
    case mtConfirmation: return SJ(SMsgDlgConfirm);
    case mtCustom: break;
  }
  return ApplicationTitle();
}

win::UINT Icon(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return win::MB_ICONWARNING;
    case mtError: return win::MB_ICONERROR;
    case mtInformation: return win::MB_ICONINFORMATION;
    case mtConfirmation: return win::MB_ICONQUESTION;
    case mtCustom: break;
  }
  return 0;
}

// A message box offers fixed button sets; a dialog's buttons take the first
// set that holds them, checked in this order:
//   Yes No Cancel          -> MB_YESNOCANCEL
//   Yes No                 -> MB_YESNO
//   Abort (Retry, Ignore)  -> MB_ABORTRETRYIGNORE
//   Retry Cancel           -> MB_RETRYCANCEL
//   Cancel (OK)            -> MB_OKCANCEL
//   anything else          -> MB_OK
// All and Help have no message box button and are left out.
win::UINT ButtonStyle(TMsgDlgButtons buttons) {
  const auto has = [&](TMsgDlgBtn button) { return buttons.Contains(button); };
  if (has(mbYes) && has(mbNo)) return has(mbCancel) ? win::MB_YESNOCANCEL : win::MB_YESNO;
  if (has(mbAbort)) return win::MB_ABORTRETRYIGNORE;
  if (has(mbRetry) && has(mbCancel)) return win::MB_RETRYCANCEL;
  if (has(mbCancel)) return win::MB_OKCANCEL;
  return win::MB_OK;
}

}  // namespace

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, long /*HelpCtx*/) {
  return win::MessageBoxA(ApplicationHandle(), Msg.c_str(), Caption(DlgType).c_str(),
                          ButtonStyle(Buttons) | Icon(DlgType));
}

void ShowMessage(const std::string& Msg) {
  win::MessageBoxA(ApplicationHandle(), Msg.c_str(), ApplicationTitle().c_str(), win::MB_OK);
}
