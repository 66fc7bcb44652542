#include "platform/Com.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/Errors.h"
#include "platform/Sync.h"
#include "platform/Text.h"

namespace win {

namespace {

// Blocks handed out by an allocator, so that a free of anything else is
// detected instead of corrupting the heap.
class LiveBlocks {
 public:
  void Add(void* block) {
    std::lock_guard guard(lock_);
    blocks_.insert(block);
  }
  bool Remove(void* block) {
    std::lock_guard guard(lock_);
    return blocks_.erase(block) == 1;
  }
  size_t Count() {
    std::lock_guard guard(lock_);
    return blocks_.size();
  }

 private:
  std::mutex lock_;
  std::unordered_set<void*> blocks_;
};

LiveBlocks& LiveStrings() {
  static auto* blocks = new LiveBlocks;
  return *blocks;
}

LiveBlocks& LiveLocalBlocks() {
  static auto* blocks = new LiveBlocks;
  return *blocks;
}

// ---- GUID text --------------------------------------------------------------

constexpr size_t kGuidTextLength = 38;  // without the terminator

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at `pos`; false when one is not.
bool ReadHex(std::u16string_view text, size_t pos, int digits, uint32_t& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    int v = HexValue(text[pos + i]);
    if (v < 0) return false;
    value = value << 4 | static_cast<uint32_t>(v);
  }
  return true;
}

bool ParseGuid(std::u16string_view text, GUID& guid) {
  if (text.size() != kGuidTextLength || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-' ||
      text[19] != u'-' || text[24] != u'-')
    return false;
  uint32_t value = 0;
  if (!ReadHex(text, 1, 8, value)) return false;
  guid.Data1 = value;
  if (!ReadHex(text, 10, 4, value)) return false;
  guid.Data2 = static_cast<WORD>(value);
  if (!ReadHex(text, 15, 4, value)) return false;
  guid.Data3 = static_cast<WORD>(value);
  const size_t bytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, bytePositions[i], 2, value)) return false;
    guid.Data4[i] = static_cast<BYTE>(value);
  }
  return true;
}

// ---- BSTR layout ------------------------------------------------------------

constexpr size_t kPrefixBytes = sizeof(DWORD);
constexpr UINT kMaxStringLength = (0xFFFFFFFFu - kPrefixBytes - sizeof(OLECHAR)) / sizeof(OLECHAR);

char* BlockOf(BSTR bstr) { return reinterpret_cast<char*>(bstr) - kPrefixBytes; }

// ---- Apartments -------------------------------------------------------------

struct Apartment {
  int initialisations = 0;
  DWORD model = COINIT_APARTMENTTHREADED;
};

thread_local Apartment apartment;

bool ThreadInitialised() { return apartment.initialisations > 0; }

// ---- Class objects ----------------------------------------------------------

// One registration; the table's reference to the object ends with it, so the
// last holder (never one inside the table lock) releases the object.
struct Registration {
  Registration(DWORD cookie, const CLSID& clsid, IUnknown* object, DWORD contexts, DWORD flags, DWORD thread)
      : cookie(cookie), clsid(clsid), object(object), contexts(contexts), flags(flags), thread(thread) {
    object->AddRef();
  }
  ~Registration() { object->Release(); }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

  const DWORD cookie;
  const CLSID clsid;
  IUnknown* const object;
  const DWORD contexts;
  const DWORD flags;
  const DWORD thread;
  bool connected = false;  // a single-use registration serves one request only
};

class ClassTable {
 public:
  static ClassTable& Get() {
    static auto* table = new ClassTable;
    return *table;
  }

  DWORD Add(const CLSID& clsid, IUnknown* object, DWORD contexts, DWORD flags) {
    DWORD cookie = 0;
    {
      std::lock_guard guard(lock_);
      cookie = nextCookie_++;
    }
    // The reference is taken outside the lock: AddRef is the object's code.
    auto registration = std::make_shared<Registration>(cookie, clsid, object, contexts, flags, GetCurrentThreadId());
    std::lock_guard guard(lock_);
    registrations_.push_back(std::move(registration));
    return cookie;
  }

  // Takes the registration out; the caller drops it outside the lock.
  std::shared_ptr<Registration> Remove(DWORD cookie) {
    std::lock_guard guard(lock_);
    auto it = std::find_if(registrations_.begin(), registrations_.end(),
                           [cookie](const auto& r) { return r->cookie == cookie; });
    if (it == registrations_.end()) return nullptr;
    auto removed = std::move(*it);
    registrations_.erase(it);
    return removed;
  }

  std::vector<std::shared_ptr<Registration>> RemoveThread(DWORD thread) {
    std::lock_guard guard(lock_);
    std::vector<std::shared_ptr<Registration>> removed;
    auto kept = std::stable_partition(registrations_.begin(), registrations_.end(),
                                      [thread](const auto& r) { return r->thread != thread; });
    std::move(kept, registrations_.end(), std::back_inserter(removed));
    registrations_.erase(kept, registrations_.end());
    return removed;
  }

  // The newest registration of the class that serves one of the contexts.
  std::shared_ptr<Registration> Connect(const CLSID& clsid, DWORD contexts) {
    std::lock_guard guard(lock_);
    for (auto it = registrations_.rbegin(); it != registrations_.rend(); ++it) {
      auto& r = *it;
      if (r->clsid != clsid || (r->contexts & contexts) == 0) continue;
      if (r->flags == REGCLS_SINGLEUSE && r->connected) continue;
      r->connected = true;
      return r;
    }
    return nullptr;
  }

 private:
  std::mutex lock_;
  std::vector<std::shared_ptr<Registration>> registrations_;
  DWORD nextCookie_ = 1;
};

// ---- System message texts -------------------------------------------------

// The Japanese texts of the system's message table, by Win32 error or
// result code, without the line end that every text carries.
const std::map<DWORD, const char*>& MessageTable() {
  static const auto* table = new std::map<DWORD, const char*>{
      {0, "この操作を正しく終了しました。"},
      {1, "ファンクションが間違っています。"},
      {2, "指定されたファイルが見つかりません。"},
      {3, "指定されたパスが見つかりません。"},
      {4, "システムはファイルを開くことができません。"},
      {5, "アクセスが拒否されました。"},
      {6, "ハンドルが無効です。"},
      {8, "このコマンドを実行するのに十分な記憶域がありません。"},
      {13, "データが無効です。"},
      {14, "この操作を完了するのに十分な記憶域がありません。"},
      {15, "指定されたドライブが見つかりません。"},
      {18, "これ以上ファイルがありません。"},
      {32, "プロセスはファイルにアクセスできません。別のプロセスが使用中です。"},
      {50, "要求はサポートされていません。"},
      {80, "ファイルがあります。"},
      {87, "パラメーターが間違っています。"},
      {120, "この関数はこのシステムではサポートされていません。"},
      {122, "システム コールに渡されるデータ領域が小さすぎます。"},
      {123, "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。"},
      {183, "既に存在するファイルを作成することはできません。"},
      {258, "待ち操作がタイムアウトになりました。"},
      {259, "データはこれ以上ありません。"},
      {1004, "フラグが無効です。"},
      {1113, "Unicode 文字のマッピングがターゲットのマルチバイト コード ページにありません。"},
      {1400, "ウィンドウ ハンドルが無効です。"},
      {1460, "タイムアウト期間が経過したため、この操作は終了しました。"},
      {0x8000FFFF, "致命的なエラーです"},
      {0x80004001, "実装されていません"},
      {0x80004002, "インターフェイスがサポートされていません"},
      {0x80004003, "ポインターが無効です"},
      {0x80004004, "操作は中止されました"},
      {0x80004005, "エラーを特定できません"},
      {0x80010106, "スレッド モードは設定後には変更できません。"},
      {0x80020001, "インターフェイスが不明です。"},
      {0x80020003, "メンバーが見つかりません。"},
      {0x80020004, "パラメーターが見つかりません。"},
      {0x80020005, "型が一致しません。"},
      {0x80020006, "名前が不明です。"},
      {0x80020007, "名前付き引数がありません。"},
      {0x80020008, "変数の型が正しくありません。"},
      {0x80020009, "例外が発生しました。"},
      {0x8002000A, "現在の範囲を超えています。"},
      {0x8002000B, "インデックスが無効です。"},
      {0x8002000C, "言語が不明です。"},
      {0x8002000D, "メモリがロックされています。"},
      {0x8002000E, "パラメーターの数が無効です。"},
      {0x8002000F, "パラメーターはオプションではありません。"},
      {0x80020010, "呼び出し先が無効です。"},
      {0x80020011, "コレクションをサポートしていません。"},
      {0x80020012, "0 で除算しました。"},
      {0x80040110, "クラスは集約をサポートしていません (またはクラス オブジェクトはリモートです)"},
      {0x80040111, "ClassFactory は要求されたクラスを提供できません"},
      {0x80040154, "クラスが登録されていません"},
      {0x800401F0, "CoInitialize は呼び出されていません。"},
      {0x800401F3, "無効なクラス文字列です"},
      {0x800401FC, "オブジェクトは登録されていません"},
  };
  return *table;
}

// The text in code page 932 with its line end; empty when there is none.
std::string SystemMessage(DWORD id) {
  const HRESULT hr = static_cast<HRESULT>(id);
  if (FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_WIN32) id = HRESULT_CODE(hr);
  const auto& table = MessageTable();
  auto it = table.find(id);
  if (it == table.end()) return {};
  return Utf8ToAnsi(it->second) + "\r\n";
}

std::string LineBreaksAsBlanks(std::string_view text) {
  std::string joined;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool lineBreak = text.compare(i, 2, "\r\n") == 0;
    joined.push_back(lineBreak ? ' ' : text[i]);
    if (lineBreak) ++i;
  }
  return joined;
}

bool IsServedLanguage(DWORD language) {
  const auto lang = static_cast<LANGID>(language);
  return language <= 0xFFFF && (language == 0 || lang == LANG_USER_DEFAULT || lang == LANG_SYSTEM_DEFAULT ||
                                PRIMARYLANGID(lang) == LANG_JAPANESE);
}

DWORD FailMessage(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

// ---- GUIDs ----------------------------------------------------------------

std::string GuidToString(REFGUID guid) {
  char text[kGuidTextLength + 1];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size) {
  if (!buffer || size < static_cast<int>(kGuidTextLength + 1)) return 0;
  const std::string text = GuidToString(guid);
  std::copy(text.begin(), text.end(), buffer);
  buffer[kGuidTextLength] = u'\0';
  return static_cast<int>(kGuidTextLength + 1);
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (!clsid) return E_INVALIDARG;
  GUID parsed{};
  if (!text || !ParseGuid(text, parsed)) return CO_E_CLASSSTRING;
  *clsid = parsed;
  return NOERROR;
}

// ---- BSTR -------------------------------------------------------------------

BSTR SysAllocString(LPCOLESTR text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(std::char_traits<OLECHAR>::length(text)));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > kMaxStringLength) return nullptr;
  const DWORD bytes = length * static_cast<DWORD>(sizeof(OLECHAR));
  char* block = static_cast<char*>(std::malloc(kPrefixBytes + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  std::memcpy(block, &bytes, kPrefixBytes);
  BSTR bstr = reinterpret_cast<BSTR>(block + kPrefixBytes);
  if (text)
    std::memcpy(bstr, text, bytes);
  else
    std::memset(bstr, 0, bytes);
  bstr[length] = u'\0';
  LiveStrings().Add(block);
  return bstr;
}

INT SysReAllocString(BSTR* bstr, LPCOLESTR text) {
  if (!bstr) return FALSE;
  // Copy first: `text` may point into the string being replaced.
  BSTR copy = text ? SysAllocString(text) : SysAllocStringLen(nullptr, 0);
  if (!copy) return FALSE;
  SysFreeString(*bstr);
  *bstr = copy;
  return TRUE;
}

void SysFreeString(BSTR bstr) {
  if (!bstr) return;
  char* block = BlockOf(bstr);
  if (!LiveStrings().Remove(block)) {
    std::fprintf(stderr, "SysFreeString: %p is not a live string of the allocator; ignored\n",
                 static_cast<void*>(bstr));
    return;
  }
  std::free(block);
}

UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  DWORD bytes = 0;
  std::memcpy(&bytes, BlockOf(bstr), kPrefixBytes);
  return bytes;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

BSTR AnsiToBstr(std::string_view ansi) {
  if (ansi.empty() || ansi.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return nullptr;
  const int count = static_cast<int>(ansi.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), count, nullptr, 0);
  BSTR bstr = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (bstr) MultiByteToWideChar(CP_ACP, 0, ansi.data(), count, bstr, length);
  return bstr;
}

std::string BstrToAnsi(BSTR bstr) {
  const int length = static_cast<int>(std::min<UINT>(SysStringLen(bstr), std::numeric_limits<int>::max()));
  if (length == 0) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, bstr, length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, bstr, length, ansi.data(), size, nullptr, nullptr);
  return ansi;
}

// ---- Apartments -------------------------------------------------------------

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit) {
  constexpr DWORD known = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;
  if (reserved || (coInit & ~known)) return E_INVALIDARG;
  const DWORD model = coInit & COINIT_APARTMENTTHREADED;
  if (ThreadInitialised()) {
    if (model != apartment.model) return RPC_E_CHANGED_MODE;
    ++apartment.initialisations;
    return S_FALSE;
  }
  apartment.model = model;
  apartment.initialisations = 1;
  return S_OK;
}

void CoUninitialize() {
  if (!ThreadInitialised()) return;
  if (--apartment.initialisations > 0) return;
  // The registrations end here, outside the table's lock, releasing their objects.
  ClassTable::Get().RemoveThread(GetCurrentThreadId());
}

// ---- Class objects ----------------------------------------------------------

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* object, DWORD context, DWORD flags, LPDWORD cookie) {
  if (!ThreadInitialised()) return CO_E_NOTINITIALIZED;
  if (!object || !cookie || (context & CLSCTX_ALL) == 0 || (context & ~CLSCTX_ALL) || flags > REGCLS_MULTI_SEPARATE)
    return E_INVALIDARG;
  DWORD contexts = context;
  if (flags == REGCLS_MULTIPLEUSE && (context & CLSCTX_LOCAL_SERVER)) contexts |= CLSCTX_INPROC_SERVER;
  *cookie = ClassTable::Get().Add(clsid, object, contexts, flags);
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  if (!ThreadInitialised()) return CO_E_NOTINITIALIZED;
  // The registration ends when `removed` goes, outside the table's lock.
  auto removed = ClassTable::Get().Remove(cookie);
  return removed ? S_OK : CO_E_OBJNOTREG;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, COSERVERINFO* server, REFIID iid, LPVOID* object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if (!ThreadInitialised()) return CO_E_NOTINITIALIZED;
  if ((context & CLSCTX_ALL) == 0) return E_INVALIDARG;
  auto registration = ClassTable::Get().Connect(clsid, context);
  if (!registration) return REGDB_E_CLASSNOTREG;
  return registration->object->QueryInterface(iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, iid, object);
  factory->Release();
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

// ---- System message texts -------------------------------------------------

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments) {
  const bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (allocate && buffer) *reinterpret_cast<LPSTR*>(buffer) = nullptr;
  if (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE))
    return FailMessage(ERROR_CALL_NOT_IMPLEMENTED);
  const DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || (width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK))
    return FailMessage(ERROR_INVALID_PARAMETER);
  if (!IsServedLanguage(languageId)) return FailMessage(ERROR_RESOURCE_LANG_NOT_FOUND);

  std::string text = SystemMessage(messageId);
  if (text.empty()) return FailMessage(ERROR_MR_MID_NOT_FOUND);
  if (width == FORMAT_MESSAGE_MAX_WIDTH_MASK) text = LineBreaksAsBlanks(text);

  if (allocate) {
    auto block = static_cast<LPSTR>(LocalAlloc(LMEM_FIXED, std::max<size_t>(size, text.size() + 1)));
    if (!block) return FailMessage(ERROR_NOT_ENOUGH_MEMORY);
    std::memcpy(block, text.c_str(), text.size() + 1);
    *reinterpret_cast<LPSTR*>(buffer) = block;
    return static_cast<DWORD>(text.size());
  }
  if (text.size() + 1 > size) {
    if (size > 0) buffer[0] = '\0';
    return FailMessage(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
  if (flags & ~LPTR) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* block =
      (flags & LMEM_ZEROINIT) ? std::calloc(1, std::max<size_t>(bytes, 1)) : std::malloc(std::max<size_t>(bytes, 1));
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  LiveLocalBlocks().Add(block);
  return block;
}

HLOCAL LocalFree(HLOCAL memory) {
  if (!memory) return nullptr;
  if (!LiveLocalBlocks().Remove(memory)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
  }
  std::free(memory);
  return nullptr;
}

namespace test {

size_t LiveBstrCount() { return LiveStrings().Count(); }

}  // namespace test
}  // namespace win
