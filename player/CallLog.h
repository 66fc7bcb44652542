// What tests see of the automation object: every call of an interface
// operation with its arguments and result, and the answers planned for the
// next calls of a named operation (a failure code, or a value for a getter).
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace koru {

struct CallRecord {
  std::string interfaceName;  // "IKORUControl", "IKORUPlayList", "IKORULyrics" or "IKORUMenu"
  std::string operation;      // as the interface names it: "get_Volume", "AddPlugin", ...
  std::string arguments;  // the in-values, comma-separated; strings in double quotes
  win::HRESULT result = 0;
};

// A planned answer for one call.
struct PlannedAnswer {
  enum Kind {
    kNone,
    kFail,         // answer `result` without doing anything
    kFailAfterRun, // carry the call out, then answer `result`
    kValue,        // a getter answers `value` in its out-value, and `result`
  };
  Kind kind = kNone;
  win::HRESULT result = 0;
  win::LONG value = 0;
};

// Plans name an operation alone ("get_Volume"), which covers it on every
// interface, or with its interface ("IKORUMenu.Add"), which is taken first.
class CallLog {
 public:
  // The next call of `operation` answers `result` and does nothing, leaving
  // its out-values as the caller set them. Several plans queue up.
  void FailNext(const std::string& operation, win::HRESULT result);
  // The next call of `operation` is carried out and then answers `result`.
  void FailNextAfterRun(const std::string& operation, win::HRESULT result);
  // The next call of the getter `operation` writes `value` to its out-value
  // (cut to the out-value's width) and answers `result`.
  void AnswerNext(const std::string& operation, win::LONG value, win::HRESULT result = 0);
  // Drops every plan.
  void ClearPlans();

  std::vector<CallRecord> Calls() const;
  // The calls of one operation (named as plans name it), oldest first.
  std::vector<CallRecord> CallsOf(const std::string& operation) const;
  void Clear();

  // For the automation object: the plan for this call (kNone when there is none).
  PlannedAnswer Take(const std::string& interfaceName, const std::string& operation);
  void Record(CallRecord record);

 private:
  mutable std::mutex mutex_;
  std::vector<CallRecord> calls_;
  std::map<std::string, std::deque<PlannedAnswer>> plans_;
};

}  // namespace koru
