#include "platform/FaultInjection.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

namespace win {

namespace {

struct PendingFailures {
  std::mutex lock;
  // Per call name, one countdown of successful calls per requested failure.
  std::map<std::string, std::vector<int>, std::less<>> countdowns;
};

PendingFailures& Pending() {
  static auto* pending = new PendingFailures;
  return *pending;
}

}  // namespace

void test::FailNext(const std::string& call, int skip) {
  PendingFailures& p = Pending();
  std::lock_guard guard(p.lock);
  p.countdowns[call].push_back(std::max(skip, 0));
}

void test::ClearFailures() {
  PendingFailures& p = Pending();
  std::lock_guard guard(p.lock);
  p.countdowns.clear();
}

bool detail::ShouldFail(const char* call) {
  PendingFailures& p = Pending();
  std::lock_guard guard(p.lock);
  auto it = p.countdowns.find(std::string_view(call));
  if (it == p.countdowns.end()) return false;
  std::vector<int>& counts = it->second;
  auto due = std::find(counts.begin(), counts.end(), 0);
  bool fail = due != counts.end();
  if (fail) counts.erase(due);
  for (int& c : counts) c -= c > 0 ? 1 : 0;
  if (counts.empty()) p.countdowns.erase(it);
  return fail;
}

}  // namespace win
