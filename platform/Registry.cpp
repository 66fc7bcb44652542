#include "platform/Registry.h"

#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Handles.h"
#include "platform/Prefix.h"
#include "platform/Text.h"

namespace win {

namespace {

// The predefined handles 0x80000000 to 0x80000003 name the keys 1 to 4.
constexpr uint32_t kFirstPredefinedHandle = 0x80000000;
constexpr int64_t kRootCount = 4;
constexpr const char* kRootNames[kRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                                "HKEY_USERS"};
bool IsRoot(int64_t id) { return id >= 1 && id <= kRootCount; }

// Marks a database file as this registry, so that another program's
// database found under the name is taken for damage, not used.
constexpr int kApplicationId = 0x4C7A5267;
constexpr int kSchemaVersion = 1;

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr int kBusyTimeoutMs = 10000;
constexpr int kBusyRetries = 3;

constexpr const char* kSchema = R"(
  CREATE TABLE keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,  -- never reused: a handle to a deleted key stays stale
    parent INTEGER REFERENCES keys(id),    -- null for the four trees
    name BLOB NOT NULL,                    -- as created, code page 932
    folded BLOB NOT NULL,                  -- the name in upper case, for lookups and order
    written INTEGER NOT NULL,              -- last change, a file time
    UNIQUE(parent, folded));
  CREATE TABLE key_values(
    key INTEGER NOT NULL REFERENCES keys(id),
    name BLOB NOT NULL,
    folded BLOB NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, folded));
)";

std::atomic<bool> writesFail{false};

std::string DatabasePath() { return PlatformPrefix() + "/registry.db"; }

// Upper case for single-byte letters; double-byte characters, whose trail
// bytes may look like letters, stay as they are.
std::string Folded(std::string_view name) {
  std::string folded(name);
  for (size_t i = 0; i < folded.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(folded[i])) && i + 1 < folded.size())
      ++i;
    else if (folded[i] >= 'a' && folded[i] <= 'z')
      folded[i] = static_cast<char>(folded[i] - 'a' + 'A');
  }
  return folded;
}

int64_t Now() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return static_cast<int64_t>((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FileTimeOf(int64_t quad) {
  return FILETIME{static_cast<DWORD>(quad), static_cast<DWORD>(static_cast<ULONGLONG>(quad) >> 32)};
}

struct SqlError {
  int code;
  std::string message;
};

bool IsDamage(int code) { return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB; }

void Exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
  if (rc == SQLITE_OK) return;
  SqlError error{rc, message ? message : sqlite3_errstr(rc)};
  sqlite3_free(message);
  throw error;
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) { Check(sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr)); }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int64_t value) {
    Check(sqlite3_bind_int64(statement_, ++bound_, value));
    return *this;
  }
  Statement& BindBytes(std::string_view bytes) {
    ++bound_;
    Check(bytes.empty() ? sqlite3_bind_zeroblob(statement_, bound_, 0)
                        : sqlite3_bind_blob(statement_, bound_, bytes.data(), static_cast<int>(bytes.size()),
                                            SQLITE_TRANSIENT));
    return *this;
  }
  // True while there is a row to read.
  bool Step() {
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw SqlError{rc, sqlite3_errmsg(db_)};
  }
  int64_t Int(int column) { return sqlite3_column_int64(statement_, column); }
  std::string Bytes(int column) {
    const void* bytes = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return bytes ? std::string(static_cast<const char*>(bytes), static_cast<size_t>(size)) : std::string();
  }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) throw SqlError{rc, sqlite3_errmsg(db_)};
  }
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
  int bound_ = 0;
};

int64_t Scalar(sqlite3* db, const char* sql) {
  Statement s(db, sql);
  return s.Step() ? s.Int(0) : 0;
}

struct ValueRow {
  std::string name;
  DWORD type;
  std::string data;
};

struct KeyRow {
  std::string name;
  int64_t written;
};

struct KeyInfo {
  int64_t subKeys, maxSubKeyLength, values, maxValueNameLength, maxValueLength, written;
};

// The operations on keys and values inside one transaction.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) {}

  bool Exists(int64_t id) { return Statement(db_, "SELECT 1 FROM keys WHERE id = ?").Bind(id).Step(); }

  std::optional<int64_t> Child(int64_t parent, std::string_view name) {
    Statement s(db_, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
    s.Bind(parent).BindBytes(Folded(name));
    return s.Step() ? std::optional<int64_t>(s.Int(0)) : std::nullopt;
  }

  // Follows `path` down from `base` into `id`.
  LONG Walk(int64_t base, const std::vector<std::string>& path, int64_t& id) {
    if (!Exists(base)) return ERROR_KEY_DELETED;
    id = base;
    for (const std::string& part : path) {
      auto child = Child(id, part);
      if (!child) return ERROR_FILE_NOT_FOUND;
      id = *child;
    }
    return ERROR_SUCCESS;
  }

  int64_t AddChild(int64_t parent, std::string_view name) {
    Statement(db_, "INSERT INTO keys(parent, name, folded, written) VALUES(?, ?, ?, ?)")
        .Bind(parent)
        .BindBytes(name)
        .BindBytes(Folded(name))
        .Bind(Now())
        .Step();
    Touch(parent);
    return sqlite3_last_insert_rowid(db_);
  }

  void Touch(int64_t id) { Statement(db_, "UPDATE keys SET written = ? WHERE id = ?").Bind(Now()).Bind(id).Step(); }

  int64_t ParentOf(int64_t id) {
    Statement s(db_, "SELECT parent FROM keys WHERE id = ?");
    s.Bind(id);
    return s.Step() ? s.Int(0) : 0;
  }

  bool HasChildren(int64_t id) { return Statement(db_, "SELECT 1 FROM keys WHERE parent = ?").Bind(id).Step(); }

  std::optional<KeyRow> ChildAt(int64_t parent, DWORD index) {
    Statement s(db_, "SELECT name, written FROM keys WHERE parent = ? ORDER BY folded LIMIT 1 OFFSET ?");
    s.Bind(parent).Bind(index);
    if (!s.Step()) return std::nullopt;
    return KeyRow{s.Bytes(0), s.Int(1)};
  }

  std::optional<ValueRow> Value(int64_t key, std::string_view name) {
    Statement s(db_, "SELECT name, type, data FROM key_values WHERE key = ? AND folded = ?");
    s.Bind(key).BindBytes(Folded(name));
    return Row(s);
  }

  std::optional<ValueRow> ValueAt(int64_t key, DWORD index) {
    Statement s(db_, "SELECT name, type, data FROM key_values WHERE key = ? ORDER BY rowid LIMIT 1 OFFSET ?");
    s.Bind(key).Bind(index);
    return Row(s);
  }

  // An existing value keeps its name's spelling and its place in the order.
  void PutValue(int64_t key, std::string_view name, DWORD type, std::string_view data) {
    Statement(db_,
              "INSERT INTO key_values(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?) "
              "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data")
        .Bind(key)
        .BindBytes(name)
        .BindBytes(Folded(name))
        .Bind(type)
        .BindBytes(data)
        .Step();
    Touch(key);
  }

  bool DropValue(int64_t key, std::string_view name) {
    Statement(db_, "DELETE FROM key_values WHERE key = ? AND folded = ?").Bind(key).BindBytes(Folded(name)).Step();
    if (sqlite3_changes(db_) == 0) return false;
    Touch(key);
    return true;
  }

  // Deletes the values and subkeys below `id`, and the key itself when asked.
  void DropTree(int64_t id, bool withKey) {
    const int64_t touched = withKey ? ParentOf(id) : id;
    Statement(db_,
              "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = "
              "tree.id) DELETE FROM key_values WHERE key IN tree")
        .Bind(id)
        .Step();
    Statement(db_,
              "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = "
              "tree.id) DELETE FROM keys WHERE id IN tree AND (id <> ?1 OR ?2)")
        .Bind(id)
        .Bind(withKey ? 1 : 0)
        .Step();
    Touch(touched);
  }

  KeyInfo Info(int64_t id) {
    KeyInfo info{};
    Statement keys(db_, "SELECT COUNT(*), COALESCE(MAX(LENGTH(name)), 0) FROM keys WHERE parent = ?");
    keys.Bind(id).Step();
    info.subKeys = keys.Int(0);
    info.maxSubKeyLength = keys.Int(1);
    Statement values(db_,
                     "SELECT COUNT(*), COALESCE(MAX(LENGTH(name)), 0), COALESCE(MAX(LENGTH(data)), 0) "
                     "FROM key_values WHERE key = ?");
    values.Bind(id).Step();
    info.values = values.Int(0);
    info.maxValueNameLength = values.Int(1);
    info.maxValueLength = values.Int(2);
    Statement written(db_, "SELECT written FROM keys WHERE id = ?");
    info.written = written.Bind(id).Step() ? written.Int(0) : 0;
    return info;
  }

 private:
  static std::optional<ValueRow> Row(Statement& s) {
    if (!s.Step()) return std::nullopt;
    return ValueRow{s.Bytes(0), static_cast<DWORD>(s.Int(1)), s.Bytes(2)};
  }

  sqlite3* db_;
};

// The one connection of the process to the database, opened on first use.
// Calls of all threads take turns; each runs in a transaction of its own.
class Database {
 public:
  static Database& Instance() {
    static auto* database = new Database;  // outlives static destructors that may close keys
    return *database;
  }

  LONG Read(const std::function<LONG(Transaction&)>& body) { return Run(false, body); }
  LONG Write(const std::function<LONG(Transaction&)>& body) { return Run(true, body); }

  // Every call `changes` makes on this thread joins one transaction; other
  // threads wait for it to end.
  LONG AsOne(const std::function<LONG()>& changes) {
    std::lock_guard guard(lock_);
    if (asOne_) return changes();  // already inside one
    if (LONG status = BeginWriting(); status != ERROR_SUCCESS) return status;
    asOne_ = true;
    LONG result;
    try {
      result = changes();
    } catch (...) {
      asOne_ = false;
      RollBack();
      throw;
    }
    asOne_ = false;
    if (!db_) return ERROR_REGISTRY_CORRUPT;  // damage found meanwhile closed the database
    if (result != ERROR_SUCCESS) {
      RollBack();
      return result;
    }
    try {
      Exec(db_, "COMMIT");
    } catch (const SqlError& error) {
      RollBack();
      return Failed(error);
    }
    return ERROR_SUCCESS;
  }

  void Close() {
    std::lock_guard guard(lock_);
    if (db_ && owner_ == getpid()) sqlite3_close_v2(db_);
    db_ = nullptr;
    damaged_ = false;
    reportedFailure_ = false;
  }

 private:
  // A body answering anything but ERROR_SUCCESS rolls its transaction back.
  LONG Run(bool write, const std::function<LONG(Transaction&)>& body) {
    std::lock_guard guard(lock_);
    if (asOne_) return RunInsideOne(body);
    for (int attempt = 0;; ++attempt) {
      if (LONG status = Open(); status != ERROR_SUCCESS) return status;
      try {
        Exec(db_, write ? "BEGIN IMMEDIATE" : "BEGIN");
        Transaction transaction(db_);
        LONG result = body(transaction);
        Exec(db_, result == ERROR_SUCCESS ? "COMMIT" : "ROLLBACK");
        return result;
      } catch (const SqlError& error) {
        RollBack();
        if ((error.code & 0xFF) == SQLITE_BUSY && attempt < kBusyRetries) continue;
        return Failed(error);
      } catch (...) {
        RollBack();
        throw;
      }
    }
  }

  LONG BeginWriting() {
    for (int attempt = 0;; ++attempt) {
      if (LONG status = Open(); status != ERROR_SUCCESS) return status;
      try {
        Exec(db_, "BEGIN IMMEDIATE");
        return ERROR_SUCCESS;
      } catch (const SqlError& error) {
        if ((error.code & 0xFF) == SQLITE_BUSY && attempt < kBusyRetries) continue;
        return Failed(error);
      }
    }
  }

  // A call inside one transaction of many is a savepoint of it, so that a
  // call that fails leaves what the calls before it did.
  LONG RunInsideOne(const std::function<LONG(Transaction&)>& body) {
    if (!db_) return ERROR_REGISTRY_CORRUPT;
    auto undo = [this] { sqlite3_exec(db_, "ROLLBACK TO call; RELEASE call", nullptr, nullptr, nullptr); };
    try {
      Exec(db_, "SAVEPOINT call");
      Transaction transaction(db_);
      const LONG result = body(transaction);
      if (result == ERROR_SUCCESS) {
        Exec(db_, "RELEASE call");
      } else {
        undo();
      }
      return result;
    } catch (const SqlError& error) {
      undo();
      return Failed(error);
    } catch (...) {
      undo();
      throw;
    }
  }

  void RollBack() {
    if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }

  LONG Open() {
    if (damaged_) return ERROR_REGISTRY_CORRUPT;
    if (db_ && owner_ == getpid()) return ERROR_SUCCESS;
    db_ = nullptr;  // a connection inherited through fork is the parent's, never to be used or closed here
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(DatabasePath().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      SqlError error{rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)};
      sqlite3_close_v2(db);
      return Failed(error);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    try {
      Prepare(db);
    } catch (const SqlError& error) {
      sqlite3_close_v2(db);
      return Failed(error);
    }
    db_ = db;
    owner_ = getpid();
    return ERROR_SUCCESS;
  }

  // Checks the file and lays down the schema in a new one. Damage shows up
  // here as SQLITE_NOTADB or SQLITE_CORRUPT before anything is written; the
  // journal mode, which is kept in the file, is set only on this registry's own.
  static void Prepare(sqlite3* db) {
    {
      Statement check(db, "PRAGMA quick_check");
      std::string verdict = check.Step() ? check.Bytes(0) : std::string();
      if (verdict != "ok") throw SqlError{SQLITE_CORRUPT, verdict};
    }
    if (Scalar(db, "PRAGMA application_id") != kApplicationId) {
      Exec(db, "BEGIN IMMEDIATE");
      try {
        CreateSchema(db);
        Exec(db, "COMMIT");
      } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
      }
    }
    if (Scalar(db, "PRAGMA user_version") != kSchemaVersion)
      throw SqlError{SQLITE_CORRUPT, "the registry's format is unknown"};
    Exec(db, "PRAGMA journal_mode = WAL");
    Exec(db, "PRAGMA synchronous = FULL");
  }

  // In a fresh, empty database only: another process may have got there
  // first, and a database of anything else is left alone.
  static void CreateSchema(sqlite3* db) {
    if (Scalar(db, "PRAGMA application_id") == kApplicationId) return;
    if (Scalar(db, "SELECT COUNT(*) FROM sqlite_master") != 0)
      throw SqlError{SQLITE_NOTADB, "the file is a database of something else"};
    Exec(db, kSchema);
    for (int64_t id = 1; id <= kRootCount; ++id) {
      Statement(db, "INSERT INTO keys(id, parent, name, folded, written) VALUES(?, NULL, ?, ?, ?)")
          .Bind(id)
          .BindBytes(kRootNames[id - 1])
          .BindBytes(kRootNames[id - 1])
          .Bind(Now())
          .Step();
    }
    Exec(db, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    Exec(db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
  }

  // Damage stops every later call; other failures (a full disk, a folder
  // that cannot be written) may pass, so only the call fails.
  LONG Failed(const SqlError& error) {
    if (IsDamage(error.code)) {
      if (db_) sqlite3_close_v2(db_);
      db_ = nullptr;
      damaged_ = true;
      std::fprintf(stderr,
                   "registry: the database %s is damaged (%s); it is left as it is, and every registry call "
                   "fails until it is repaired or moved away\n",
                   DatabasePath().c_str(), error.message.c_str());
      return ERROR_REGISTRY_CORRUPT;
    }
    if (!reportedFailure_) {
      reportedFailure_ = true;
      std::fprintf(stderr, "registry: the database %s cannot be used: %s\n", DatabasePath().c_str(),
                   error.message.c_str());
    }
    return ERROR_REGISTRY_IO_FAILED;
  }

  std::recursive_mutex lock_;  // a call inside AsOne takes it again
  sqlite3* db_ = nullptr;
  bool asOne_ = false;
  pid_t owner_ = 0;
  bool damaged_ = false;
  bool reportedFailure_ = false;
};

class KeyHandle : public detail::HandleObject {
 public:
  KeyHandle(int64_t id, REGSAM access) : id(id), access(access) {}
  detail::HandleKind Kind() const override { return detail::HandleKind::RegistryKey; }
  const int64_t id;
  const REGSAM access;
};

struct KeyRef {
  int64_t id;
  REGSAM access;
};

std::optional<KeyRef> Resolve(HKEY key) {
  const uint32_t handle = HandleId(key);
  if (handle >= kFirstPredefinedHandle && handle < kFirstPredefinedHandle + kRootCount)
    return KeyRef{handle - kFirstPredefinedHandle + 1, KEY_ALL_ACCESS};
  if (auto object = detail::HandleTable::Get<KeyHandle>(key)) return KeyRef{object->id, object->access};
  return std::nullopt;
}

HKEY NewHandle(int64_t id, REGSAM access) {
  return HandleFromId<HKEY>(detail::HandleTable::Insert(std::make_shared<KeyHandle>(id, access)));
}

REGSAM Granted(REGSAM desired) {
  REGSAM granted = desired & KEY_ALL_ACCESS;
  if (desired & (MAXIMUM_ALLOWED | GENERIC_ALL)) granted |= KEY_ALL_ACCESS;
  if (desired & GENERIC_READ) granted |= KEY_READ;
  if (desired & GENERIC_WRITE) granted |= KEY_WRITE;
  return granted;
}

// The components of a key path, split at backslashes (never at a trail byte
// that looks like one). A trailing backslash is allowed; a leading one or an
// empty component is not.
std::optional<std::vector<std::string>> SplitKeyPath(LPCSTR path) {
  std::vector<std::string> parts;
  std::string_view p = path ? path : "";
  if (!p.empty() && p[0] == '\\') return std::nullopt;
  size_t start = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] == '\\') {
      if (i == start) return std::nullopt;
      parts.emplace_back(p.substr(start, i - start));
      start = i + 1;
    } else if (IsDBCSLeadByte(static_cast<BYTE>(p[i])) && i + 1 < p.size()) {
      ++i;
    }
  }
  if (start < p.size()) parts.emplace_back(p.substr(start));
  return parts;
}

// Strings are kept terminated, so that no reader runs past their end.
std::string StoredData(DWORD type, const BYTE* data, DWORD size) {
  std::string bytes = size ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
  auto terminated = [&] {
    if (type == REG_MULTI_SZ) return bytes == std::string_view("\0", 1) || bytes.ends_with(std::string_view("\0\0", 2));
    return !bytes.empty() && bytes.back() == '\0';
  };
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
    while (!terminated()) bytes.push_back('\0');
  return bytes;
}

// Value data into a caller's buffer: a null buffer asks for the size.
LONG CopyData(const std::string& data, LPBYTE buffer, LPDWORD size) {
  if (!size) return ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(data.size());
  if (buffer && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (buffer) std::memcpy(buffer, data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (*size <= name.size()) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

void ClearClass(LPSTR className, LPDWORD classSize) {
  if (!classSize) return;
  if (className && *classSize > 0) className[0] = '\0';
  *classSize = 0;
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto base = Resolve(key);
  if (!base) return ERROR_INVALID_HANDLE;
  auto path = SplitKeyPath(subKey);
  if (!path) return ERROR_BAD_PATHNAME;
  int64_t id = 0;
  LONG status = Database::Instance().Read([&](Transaction& t) -> LONG { return t.Walk(base->id, *path, id); });
  if (status == ERROR_SUCCESS) *result = NewHandle(id, Granted(access));
  return status;
}

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  if (!subKey || !*subKey) {
    if (!Resolve(key)) return ERROR_INVALID_HANDLE;
    *result = key;
    return ERROR_SUCCESS;
  }
  return RegOpenKeyExA(key, subKey, 0, MAXIMUM_ALLOWED, result);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, const SECURITY_ATTRIBUTES*,
                     PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto base = Resolve(key);
  if (!base) return ERROR_INVALID_HANDLE;
  auto path = SplitKeyPath(subKey);
  if (!path) return ERROR_BAD_PATHNAME;
  for (const std::string& part : *path)
    if (part.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  int64_t id = 0;
  bool created = false;
  LONG status = Database::Instance().Write([&](Transaction& t) -> LONG {
    if (!t.Exists(base->id)) return ERROR_KEY_DELETED;
    id = base->id;
    created = false;  // a transaction retried after a busy database starts afresh
    for (const std::string& part : *path) {
      if (auto child = t.Child(id, part)) {
        id = *child;
        continue;
      }
      if (writesFail || !(base->access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
      id = t.AddChild(id, part);
      created = true;
    }
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS) return status;
  *result = NewHandle(id, Granted(access));
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  if (!subKey || !*subKey) {
    if (!Resolve(key)) return ERROR_INVALID_HANDLE;
    *result = key;
    return ERROR_SUCCESS;
  }
  return RegCreateKeyExA(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, nullptr, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
  const uint32_t handle = HandleId(key);
  if (handle >= kFirstPredefinedHandle && handle < kFirstPredefinedHandle + kRootCount) return ERROR_SUCCESS;
  if (!detail::HandleTable::Is<KeyHandle>(key, detail::HandleKind::RegistryKey)) return ERROR_INVALID_HANDLE;
  detail::HandleTable::Remove(handle);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  if (!(ref->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  std::optional<ValueRow> value;
  LONG status = Database::Instance().Read([&](Transaction& t) -> LONG {
    if (!t.Exists(ref->id)) return ERROR_KEY_DELETED;
    value = t.Value(ref->id, valueName ? valueName : "");
    return value ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
  if (status != ERROR_SUCCESS) return status;
  if (type) *type = value->type;
  return CopyData(value->data, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  if (!data && dataSize) return ERROR_NOACCESS;
  std::string_view name = valueName ? valueName : "";
  if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  if (writesFail || !(ref->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  const std::string stored = StoredData(type, data, dataSize);
  return Database::Instance().Write([&](Transaction& t) -> LONG {
    if (!t.Exists(ref->id)) return ERROR_KEY_DELETED;
    t.PutValue(ref->id, name, type, stored);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  if (writesFail || !(ref->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return Database::Instance().Write([&](Transaction& t) -> LONG {
    if (!t.Exists(ref->id)) return ERROR_KEY_DELETED;
    return t.DropValue(ref->id, valueName ? valueName : "") ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  auto path = SplitKeyPath(subKey);
  if (!path) return ERROR_BAD_PATHNAME;
  if (writesFail) return ERROR_ACCESS_DENIED;
  return Database::Instance().Write([&](Transaction& t) -> LONG {
    int64_t id = 0;
    if (LONG status = t.Walk(ref->id, *path, id); status != ERROR_SUCCESS) return status;
    if (IsRoot(id) || t.HasChildren(id)) return ERROR_ACCESS_DENIED;
    t.DropTree(id, true);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) {
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  auto path = SplitKeyPath(subKey);
  if (!path) return ERROR_BAD_PATHNAME;
  if (writesFail) return ERROR_ACCESS_DENIED;
  const bool withKey = subKey != nullptr;
  return Database::Instance().Write([&](Transaction& t) -> LONG {
    int64_t id = 0;
    if (LONG status = t.Walk(ref->id, *path, id); status != ERROR_SUCCESS) return status;
    if (withKey && IsRoot(id)) return ERROR_ACCESS_DENIED;
    t.DropTree(id, withKey);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR className, LPDWORD classSize,
                   FILETIME* lastWriteTime) {
  if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  if (!(ref->access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  std::optional<KeyRow> child;
  LONG status = Database::Instance().Read([&](Transaction& t) -> LONG {
    if (!t.Exists(ref->id)) return ERROR_KEY_DELETED;
    child = t.ChildAt(ref->id, index);
    return child ? ERROR_SUCCESS : ERROR_NO_MORE_ITEMS;
  });
  if (status != ERROR_SUCCESS) return status;
  if (LONG copied = CopyName(child->name, name, nameSize); copied != ERROR_SUCCESS) return copied;
  ClearClass(className, classSize);
  if (lastWriteTime) *lastWriteTime = FileTimeOf(child->written);
  return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize) {
  if (!name || !nameSize || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  if (!(ref->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  std::optional<ValueRow> value;
  LONG status = Database::Instance().Read([&](Transaction& t) -> LONG {
    if (!t.Exists(ref->id)) return ERROR_KEY_DELETED;
    value = t.ValueAt(ref->id, index);
    return value ? ERROR_SUCCESS : ERROR_NO_MORE_ITEMS;
  });
  if (status != ERROR_SUCCESS) return status;
  if (LONG copied = CopyName(value->name, name, nameSize); copied != ERROR_SUCCESS) return copied;
  if (type) *type = value->type;
  return CopyData(value->data, data, dataSize);
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classSize, LPDWORD, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                      LPDWORD maxValueLength, LPDWORD securityDescriptorSize, FILETIME* lastWriteTime) {
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  if (!(ref->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  KeyInfo info{};
  LONG status = Database::Instance().Read([&](Transaction& t) -> LONG {
    if (!t.Exists(ref->id)) return ERROR_KEY_DELETED;
    info = t.Info(ref->id);
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS) return status;
  ClearClass(className, classSize);
  auto put = [](LPDWORD out, int64_t value) {
    if (out) *out = static_cast<DWORD>(value);
  };
  put(subKeys, info.subKeys);
  put(maxSubKeyLength, info.maxSubKeyLength);
  put(maxClassLength, 0);
  put(values, info.values);
  put(maxValueNameLength, info.maxValueNameLength);
  put(maxValueLength, info.maxValueLength);
  put(securityDescriptorSize, 0);
  if (lastWriteTime) *lastWriteTime = FileTimeOf(info.written);
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  auto ref = Resolve(key);
  if (!ref) return ERROR_INVALID_HANDLE;
  return Database::Instance().Read(
      [&](Transaction& t) -> LONG { return t.Exists(ref->id) ? ERROR_SUCCESS : ERROR_KEY_DELETED; });
}

namespace detail {

LONG AsOneRegistryChange(const std::function<LONG()>& changes) { return Database::Instance().AsOne(changes); }

}  // namespace detail

namespace test {

void FailRegistryWrites(bool on) { writesFail = on; }
void ReopenRegistry() { Database::Instance().Close(); }

}  // namespace test
}  // namespace win
