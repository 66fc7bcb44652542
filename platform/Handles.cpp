#include "platform/Handles.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/Errors.h"

namespace win {
namespace detail {

namespace {

struct Table {
  std::mutex lock;
  std::unordered_map<uint32_t, std::shared_ptr<HandleObject>> objects;
  // Multiples of four from 0x100, as the platform's handles look; the low
  // bits stay clear and small values never name an object.
  uint32_t next = 0x100;
};

Table& TheTable() {
  static Table* table = new Table;  // outlives every static destructor that closes handles
  return *table;
}

}  // namespace

uint32_t HandleTable::Insert(std::shared_ptr<HandleObject> object) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  uint32_t id = t.next;
  t.next += 4;
  t.objects.emplace(id, std::move(object));
  return id;
}

std::shared_ptr<HandleObject> HandleTable::Find(uint32_t id) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(id);
  return it == t.objects.end() ? nullptr : it->second;
}

bool HandleTable::Remove(uint32_t id) {
  std::shared_ptr<HandleObject> dropped;  // destroyed outside the table lock
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(id);
  if (it == t.objects.end()) return false;
  dropped = std::move(it->second);
  t.objects.erase(it);
  return true;
}

size_t HandleTable::Count(HandleKind kind) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  return std::count_if(t.objects.begin(), t.objects.end(), [kind](const auto& o) { return o.second->Kind() == kind; });
}

}  // namespace detail

BOOL CloseHandle(HANDLE h) {
  auto object = detail::HandleTable::Find(HandleId(h));
  if (!object || !object->ClosedByCloseHandle()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  detail::HandleTable::Remove(HandleId(h));
  return TRUE;
}

}  // namespace win
