// The handle table: every handle the platform gives out is a 32-bit id that
// names an object here. Ids are never reused, so a stale handle is detected
// for as long as the process runs.
#pragma once

#include <memory>

#include "platform/Types.h"

namespace win {

BOOL CloseHandle(HANDLE h);

namespace detail {

enum class HandleKind {
  Window,
  Menu,
  Region,
  DeviceContext,
  Bitmap,
  Brush,
  Pen,
  Font,
  Palette,
  Icon,
  Drop,
  Module,
  RegistryKey,
  File,
  Find,
  ChangeNotification,
  Mutex,
  Event,
  Thread,
  Process,
};

class HandleObject {
 public:
  virtual ~HandleObject() = default;
  virtual HandleKind Kind() const = 0;
  // Kernel objects (closed with CloseHandle) answer true.
  virtual bool ClosedByCloseHandle() const { return false; }
};

class HandleTable {
 public:
  // Takes the object in and returns its new id (never 0, never reused).
  static uint32_t Insert(std::shared_ptr<HandleObject> object);
  static std::shared_ptr<HandleObject> Find(uint32_t id);
  // Drops the table's reference; false when the id names nothing.
  static bool Remove(uint32_t id);
  // How many live objects of the kind the table holds: a leak shows here.
  static size_t Count(HandleKind kind);

  template <class T>
  static std::shared_ptr<T> Get(const void* handle) {
    return std::dynamic_pointer_cast<T>(Find(HandleId(handle)));
  }
  template <class T>
  static bool Is(const void* handle, HandleKind kind) {
    auto object = Find(HandleId(handle));
    return object && object->Kind() == kind && std::dynamic_pointer_cast<T>(object);
  }
};

}  // namespace detail
}  // namespace win
