#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/Text.h"

using namespace win;

namespace {

constexpr CLSID kPlayerClass = {0x83329E85, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};
constexpr IID kControlInterface = {0x83329E81, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};
constexpr IID kMenuInterface = {0x83329E84, 0x0A15, 0x11D3, {0x95, 0xBA, 0x00, 0x48, 0x45, 0xC0, 0x17, 0x85}};

// An automation object that serves IUnknown, IDispatch and the control
// interface (but not the menu interface), counting its references.
class Player final : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kControlInterface) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

  ULONG references = 0;
};

class PlayerFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return player.QueryInterface(iid, object);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

  Player player;
  ULONG references = 0;
};

// The operation in slot `slot` of an interface's table, called as the
// platform's binary standard calls it: with the interface pointer first.
template <class Signature>
Signature Slot(void* interfacePointer, int slot) {
  void** table = *static_cast<void***>(interfacePointer);
  return reinterpret_cast<Signature>(table[slot]);
}

std::string SystemText(DWORD id, DWORD language = LANG_USER_DEFAULT) {
  LPSTR text = nullptr;
  DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, id, language, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  if (!text) return {};
  std::string result(text, length);
  EXPECT_EQ(LocalFree(text), nullptr);
  return result;
}

}  // namespace

TEST(Com, ResultMacros) {
  static_assert(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) == E_ACCESSDENIED);
  static_assert(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER) == E_INVALIDARG);
  static_assert(HRESULT_FROM_WIN32(ERROR_SUCCESS) == S_OK);
  static_assert(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)) == E_FAIL);
  static_assert(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0xFFFF) == static_cast<HRESULT>(0x8004FFFF));
  static_assert(SUCCEEDED(S_FALSE) && FAILED(E_UNEXPECTED) && !FAILED(S_OK));
  static_assert(HRESULT_FACILITY(E_ACCESSDENIED) == FACILITY_WIN32 && HRESULT_CODE(E_ACCESSDENIED) == 5);
}

TEST(Com, GuidsCompareAndHaveTheirTextForm) {
  EXPECT_EQ(GuidToString(kPlayerClass), "{83329E85-0A15-11D3-95BA-004845C01785}");
  EXPECT_EQ(GuidToString(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
  EXPECT_TRUE(IsEqualCLSID(kPlayerClass, kPlayerClass));
  EXPECT_FALSE(IsEqualIID(kControlInterface, kMenuInterface));

  CLSID parsed{};
  EXPECT_EQ(CLSIDFromString(u"{83329e85-0a15-11d3-95ba-004845c01785}", &parsed), S_OK);
  EXPECT_EQ(parsed, kPlayerClass);
  EXPECT_EQ(CLSIDFromString(u"83329E85-0A15-11D3-95BA-004845C01785", &parsed), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromString(u"{83329E85-0A15-11D3-95BA-004845C0178G}", &parsed), CO_E_CLASSSTRING);

  WCHAR text[39];
  EXPECT_EQ(StringFromGUID2(kPlayerClass, text, 38), 0);
  ASSERT_EQ(StringFromGUID2(kPlayerClass, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{83329E85-0A15-11D3-95BA-004845C01785}");
}

TEST(Com, JapaneseTextRoundTripsThroughABstr) {
  const size_t before = test::LiveBstrCount();
  BSTR bstr = AnsiToBstr(SJ("日本語の曲名"));
  ASSERT_NE(bstr, nullptr);
  EXPECT_EQ(test::LiveBstrCount(), before + 1);
  EXPECT_EQ(SysStringLen(bstr), 6u);
  EXPECT_EQ(SysStringByteLen(bstr), 12u);
  // The layout: a 32-bit byte count before the characters, a NUL after them.
  DWORD prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const char*>(bstr) - sizeof prefix, sizeof prefix);
  EXPECT_EQ(prefix, 12u);
  EXPECT_EQ(std::u16string(bstr, 6), u"日本語の曲名");
  EXPECT_EQ(bstr[6], u'\0');
  EXPECT_EQ(BstrToAnsi(bstr), SJ("日本語の曲名"));
  SysFreeString(bstr);
  EXPECT_EQ(test::LiveBstrCount(), before);
  // Bytes that name no character convert as MultiByteToWideChar converts them.
  BSTR undefined = AnsiToBstr("x\x85\x40");
  EXPECT_EQ(std::u16string(undefined), u"x\u30FB");
  SysFreeString(undefined);
}

TEST(Com, ANullBstrIsTheEmptyString) {
  EXPECT_EQ(AnsiToBstr(""), nullptr);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_EQ(BstrToAnsi(nullptr), "");
  SysFreeString(nullptr);
  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(BstrToAnsi(empty), "");
  SysFreeString(empty);
}

TEST(Com, BstrAllocatorEdges) {
  const size_t before = test::LiveBstrCount();
  // Counted strings keep embedded NULs; without a source they are zero-filled.
  BSTR counted = SysAllocStringLen(u"a\0b", 3);
  EXPECT_EQ(SysStringLen(counted), 3u);
  EXPECT_EQ(BstrToAnsi(counted), std::string("a\0b", 3));
  BSTR blank = SysAllocStringLen(nullptr, 4);
  EXPECT_EQ(std::u16string(blank, 5), std::u16string(5, u'\0'));
  // Reallocating from the string's own characters.
  BSTR text = SysAllocString(u"lozenge");
  ASSERT_TRUE(SysReAllocString(&text, text + 3));
  EXPECT_EQ(std::u16string(text), u"enge");
  ASSERT_TRUE(SysReAllocString(&text, nullptr));
  EXPECT_EQ(SysStringLen(text), 0u);
  EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
  // A length that cannot be allocated fails instead of wrapping around.
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  // A pointer the allocator never gave out is ignored, not freed.
  WCHAR foreign[8] = {};
  SysFreeString(foreign + 2);
  SysFreeString(counted);
  SysFreeString(blank);
  SysFreeString(text);
  EXPECT_EQ(test::LiveBstrCount(), before);
}

TEST(Com, InitialisationNestsPerThread) {
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  EXPECT_EQ(CoInitializeEx(reinterpret_cast<LPVOID>(1), COINIT_APARTMENTTHREADED), E_INVALIDARG);
  std::thread other([] {
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kPlayerClass, nullptr, CLSCTX_SERVER, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  });
  other.join();
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // fully undone: any model again
  CoUninitialize();
}

TEST(Com, ClassTableCreatesRegisteredObjects) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  PlayerFactory factory;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(kPlayerClass, nullptr, CLSCTX_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);

  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kPlayerClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  EXPECT_EQ(factory.references, 1u);
  // The system asks with the in-process, local and remote contexts (21).
  ASSERT_EQ(CoCreateInstance(kPlayerClass, nullptr, 21, IID_IUnknown, &object), S_OK);
  auto* unknown = static_cast<IUnknown*>(object);
  void* control = nullptr;
  EXPECT_EQ(unknown->QueryInterface(kControlInterface, &control), S_OK);
  EXPECT_EQ(control, &factory.player);
  void* menu = reinterpret_cast<void*>(1);
  EXPECT_EQ(unknown->QueryInterface(kMenuInterface, &menu), E_NOINTERFACE);
  EXPECT_EQ(menu, nullptr);
  EXPECT_EQ(CoCreateInstance(kPlayerClass, nullptr, CLSCTX_INPROC_SERVER, kMenuInterface, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CoCreateInstance(kPlayerClass, unknown, CLSCTX_SERVER, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  unknown->Release();
  static_cast<IUnknown*>(control)->Release();
  EXPECT_EQ(factory.player.references, 0u);
  EXPECT_EQ(factory.references, 1u);  // every factory taken for a creation was released

  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(factory.references, 0u);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  EXPECT_EQ(CoCreateInstance(kPlayerClass, nullptr, CLSCTX_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
  CoUninitialize();
}

TEST(Com, RegistrationsFollowTheirUseAndTheirApartment) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  PlayerFactory factory;
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kPlayerClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
  void* object = nullptr;
  // A local-server request does not reach an in-process registration.
  EXPECT_EQ(CoGetClassObject(kPlayerClass, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory, &object),
            REGDB_E_CLASSNOTREG);
  ASSERT_EQ(CoGetClassObject(kPlayerClass, CLSCTX_SERVER, nullptr, IID_IClassFactory, &object), S_OK);
  static_cast<IUnknown*>(object)->Release();
  // Single use: served once.
  EXPECT_EQ(CoGetClassObject(kPlayerClass, CLSCTX_SERVER, nullptr, IID_IClassFactory, &object), REGDB_E_CLASSNOTREG);

  ASSERT_EQ(CoRegisterClassObject(kPlayerClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  EXPECT_EQ(factory.references, 2u);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  EXPECT_EQ(factory.references, 2u);  // a nested uninitialisation keeps the apartment
  CoUninitialize();
  EXPECT_EQ(factory.references, 0u);  // the last one revokes what the thread registered
  EXPECT_EQ(CoRegisterClassObject(kPlayerClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            CO_E_NOTINITIALIZED);
}

TEST(Com, InterfaceOperationsSitInTheirSlots) {
  Player player;
  IDispatch* dispatch = &player;
  EXPECT_EQ(Slot<ULONG (*)(void*)>(dispatch, 1)(dispatch), 1u);  // AddRef
  void* object = nullptr;
  EXPECT_EQ(Slot<HRESULT (*)(void*, REFIID, void**)>(dispatch, 0)(dispatch, IID_IDispatch, &object), S_OK);
  EXPECT_EQ(player.references, 2u);
  EXPECT_EQ(Slot<ULONG (*)(void*)>(dispatch, 2)(dispatch), 1u);  // Release
  UINT count = 99;
  EXPECT_EQ(Slot<HRESULT (*)(void*, UINT*)>(dispatch, 3)(dispatch, &count), S_OK);  // GetTypeInfoCount
  EXPECT_EQ(count, 0u);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(Slot<HRESULT (*)(void*, UINT, LCID, ITypeInfo**)>(dispatch, 4)(dispatch, 0, 0, &info), E_NOTIMPL);
}

TEST(Com, SystemTextsForKnownCodes) {
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_FAIL)), SJ("エラーを特定できません") + "\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(REGDB_E_CLASSNOTREG)), SJ("クラスが登録されていません") + "\r\n");
  // A Win32 result reads as its error, in any of the served languages.
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_ACCESSDENIED)), SJ("アクセスが拒否されました。") + "\r\n");
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED, 0), SystemText(static_cast<DWORD>(E_ACCESSDENIED)));
  EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)),
            SJ("指定されたファイルが見つかりません。") + "\r\n");
  // Without line breaks of its own, a text ends with a blank.
  char joined[64];
  ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr,
                           static_cast<DWORD>(E_NOTIMPL), 0, joined, sizeof joined, nullptr),
            0u);
  EXPECT_EQ(std::string(joined), SJ("実装されていません") + " ");
}

TEST(Com, SystemTextsForUnknownCodesAndLanguages) {
  LPSTR text = reinterpret_cast<LPSTR>(1);
  SetLastError(0);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, 0x8004FFFF, LANG_USER_DEFAULT, reinterpret_cast<LPSTR>(&text), 0, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(text, nullptr);
  char buffer[64];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_FAIL),
                           MAKELANGID(0x09, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_LANG_NOT_FOUND);
  EXPECT_EQ(FormatMessageA(0, nullptr, static_cast<DWORD>(E_FAIL), 0, buffer, sizeof buffer, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Com, SystemTextsNeverOverrunAFixedBuffer) {
  const std::string expected = SJ("エラーを特定できません") + "\r\n";
  const DWORD fits = static_cast<DWORD>(expected.size() + 1);
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  SetLastError(0);
  EXPECT_EQ(
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_FAIL), 0, buffer, fits - 1, nullptr),
      0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(std::string(buffer + 1, sizeof buffer - 1), std::string(sizeof buffer - 1, '#'));
  ASSERT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_FAIL), 0, buffer, fits, nullptr),
            expected.size());
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(buffer[fits], '#');
}

TEST(Com, LocalMemory) {
  auto* block = static_cast<char*>(LocalAlloc(LPTR, 16));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(block, 16), std::string(16, '\0'));
  EXPECT_EQ(LocalFree(block), nullptr);
  char foreign[4];
  SetLastError(0);
  EXPECT_EQ(LocalFree(foreign), foreign);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(LocalFree(nullptr), nullptr);
}
