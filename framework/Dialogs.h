// The framework's message dialog: a text under the standard title of its
// kind, with the kind's icon and a set of buttons, shown through the
// platform's presenter.
#pragma once

#include <string>

#include "framework/Sets.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// The modal results, one per button.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// Standard titles: "警告", "エラー", "情報", "確認"; a custom dialog has none.
std::string MessageDlgTitle(TMsgDlgType DlgType);

// Shows the dialog and answers the modal result of the button chosen. The
// buttons must form one of the platform's button sets ([mbOK],
// [mbOK, mbCancel], [mbYes, mbNo], [mbYes, mbNo, mbCancel],
// [mbRetry, mbCancel], [mbAbort, mbRetry, mbIgnore]); any other set raises
// Exception. The help context is kept for the help system, which this
// framework does not have.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
