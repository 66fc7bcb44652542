#include "hostlink/Utilcls.h"

#include <string_view>

#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "platform/Presenter.h"
#include "platform/Text.h"

namespace {

constexpr char kButtonsLine[] = "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";
constexpr win::UINT kReportStyle = win::MB_YESNOCANCEL | win::MB_ICONQUESTION | win::MB_TASKMODAL;
// The system's messages in the user's default language.
constexpr win::DWORD kUserDefaultLanguage = 0x400;

// The longest start of `text` that fits `limit` bytes without splitting a
// double-byte character.
std::string_view FittingStart(std::string_view text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    const bool pair = win::IsDBCSLeadByte(static_cast<win::BYTE>(text[end])) && end + 1 < text.size();
    const size_t next = end + (pair ? 2 : 1);
    if (next > limit) break;
    end = next;
  }
  return text.substr(0, end);
}

// What a report buffer holds of a text.
std::string InReportBuffer(std::string_view text) { return std::string(FittingStart(text, kReportBufferSize - 1)); }

// The system's text for a result code, line end included; empty when there is none.
std::string SystemText(win::HRESULT code) {
  win::LPSTR text = nullptr;
  const win::DWORD flags =
      win::FORMAT_MESSAGE_ALLOCATE_BUFFER | win::FORMAT_MESSAGE_FROM_SYSTEM | win::FORMAT_MESSAGE_IGNORE_INSERTS;
  const win::DWORD length = win::FormatMessageA(flags, nullptr, static_cast<win::DWORD>(code), kUserDefaultLanguage,
                                                reinterpret_cast<win::LPSTR>(&text), 0, nullptr);
  std::string result = length > 0 && text ? std::string(text, length) : std::string();
  win::LocalFree(text);
  return result;
}

}  // namespace

int ShowReportDialog(const std::string& caption, const std::string& message) {
  // The line that explains the buttons always fits; the message gives way.
  const size_t room = kReportBufferSize - 1 - (sizeof kButtonsLine - 1);
  const std::string text = std::string(FittingStart(message, room)) + kButtonsLine;
  return win::MessageBoxA(nullptr, text.c_str(), caption.c_str(), kReportStyle);
}

int _ASSERTE(const char* Expression, const char* Source, int Line) {
  const int answer = ShowReportDialog("_ASSERTE: ", InReportBuffer(FormatC("%s @ %s/%d", {Expression, Source, Line})));
  if (answer == win::IDYES)
    throw EOleException(InReportBuffer(FormatC("%s failed - %s/%d", {Expression, Source, Line})), win::E_FAIL,
                        Source, "", 0);
  return answer;
}

win::HRESULT HRCHECK(win::HRESULT Result, const char* Expression, const char* Source, int Line) {
  if (Result >= 0) return Result;
  const std::string source = Source ? Source : "";
  const std::string systemText = SystemText(Result);
  const std::string message =
      InReportBuffer(systemText.empty()
                         ? FormatC("(%s) Error: %lX (%ld) @ %s/%d", {Expression, Result, Result, source, Line})
                         : FormatC("'%s': %s @ %s/%d", {Expression, systemText, source, Line}));
  switch (ShowReportDialog("HRCHECK: ", message)) {
    case win::IDYES:
      throw EOleException(message, Result, source, "", 0);
    case win::IDCANCEL:
      win::DebugBreak();
      break;
    default:
      break;
  }
  return Result;
}
