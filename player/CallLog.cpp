#include "player/CallLog.h"

namespace koru {

void CallLog::FailNext(const std::string& operation, win::HRESULT result) {
  std::lock_guard lock(mutex_);
  plans_[operation].push_back({PlannedAnswer::kFail, result, 0});
}

void CallLog::FailNextAfterRun(const std::string& operation, win::HRESULT result) {
  std::lock_guard lock(mutex_);
  plans_[operation].push_back({PlannedAnswer::kFailAfterRun, result, 0});
}

void CallLog::AnswerNext(const std::string& operation, win::LONG value, win::HRESULT result) {
  std::lock_guard lock(mutex_);
  plans_[operation].push_back({PlannedAnswer::kValue, result, value});
}

void CallLog::ClearPlans() {
  std::lock_guard lock(mutex_);
  plans_.clear();
}

std::vector<CallRecord> CallLog::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<CallRecord> CallLog::CallsOf(const std::string& operation) const {
  std::lock_guard lock(mutex_);
  std::vector<CallRecord> calls;
  for (const CallRecord& c : calls_) {
    if (c.operation == operation || c.interfaceName + "." + c.operation == operation) calls.push_back(c);
  }
  return calls;
}

void CallLog::Clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

PlannedAnswer CallLog::Take(const std::string& interfaceName, const std::string& operation) {
  std::lock_guard lock(mutex_);
  for (const std::string& name : {interfaceName + "." + operation, operation}) {
    auto it = plans_.find(name);
    if (it == plans_.end() || it->second.empty()) continue;
    PlannedAnswer plan = it->second.front();
    it->second.pop_front();
    return plan;
  }
  return {};
}

void CallLog::Record(CallRecord record) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(record));
}

}  // namespace koru
