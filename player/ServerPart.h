// The common part of the automation object's four interfaces: IUnknown and
// IDispatch answered by the object, and the helpers of the calls.
#pragma once

#include <string>

#include "hostlink/Koru_tlb.h"

namespace koru {

class KoruServer;

constexpr win::HRESULT RPC_E_DISCONNECTED = static_cast<win::HRESULT>(0x80010108);

// The in-values of a call as the log shows them.
inline std::string ArgText(win::LONG v) { return std::to_string(v); }
inline std::string ArgText(win::SHORT v) { return std::to_string(v); }
inline std::string ArgText(Koru_tlb::TKORUDisplayMode v) { return std::to_string(static_cast<win::LONG>(v)); }
inline std::string ArgText(win::BSTR s) { return "\"" + win::BstrToAnsi(s) + "\""; }
template <class... T>
std::string Args(T... values) {
  std::string text;
  ((text += (text.empty() ? "" : ", ") + ArgText(values)), ...);
  return text;
}

// IUnknown and IDispatch of one interface of the object, answered by the object.
template <class Interface>
class ServerPart : public Interface {
 public:
  explicit ServerPart(KoruServer& server) : server_(server) {}

  win::HRESULT QueryInterface(const win::IID& iid, void** object) override;
  win::ULONG AddRef() override;
  win::ULONG Release() override;
  win::HRESULT GetTypeInfoCount(win::UINT* count) override {
    if (!count) return win::E_POINTER;
    *count = 0;
    return win::S_OK;
  }
  win::HRESULT GetTypeInfo(win::UINT, win::LCID, win::ITypeInfo** info) override {
    if (info) *info = nullptr;
    return win::E_NOTIMPL;
  }
  win::HRESULT GetIDsOfNames(const win::IID&, win::LPOLESTR*, win::UINT, win::LCID, win::DISPID*) override {
    return win::DISP_E_UNKNOWNNAME;
  }
  win::HRESULT Invoke(win::DISPID, const win::IID&, win::LCID, win::WORD, win::DISPPARAMS*, win::VARIANT*,
                      win::EXCEPINFO*, win::UINT*) override {
    return win::DISP_E_MEMBERNOTFOUND;
  }

 protected:
  KoruServer& server_;
};

// The VARIANT_BOOL of a flag.
constexpr win::VARIANT_BOOL VariantBool(bool on) { return on ? win::VARIANT_TRUE : win::VARIANT_FALSE; }

// A wide out-string made from text; the caller frees it.
inline void PutString(win::BSTR* out, const std::string& text) {
  if (out) *out = win::AnsiToBstr(text);
}

}  // namespace koru
