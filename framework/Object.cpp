#include "framework/Object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

std::string Demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  std::string full = status == 0 && name ? name.get() : mangled;
  auto colon = full.rfind("::");
  return colon == std::string::npos ? full : full.substr(colon + 2);
}

}  // namespace

std::string TObject::ClassName() const { return Demangle(typeid(*this).name()); }

std::string ClassNameOf(const std::type_info& type) { return Demangle(type.name()); }

bool TObject::InheritsFrom(const char* className) const {
  // Walks the chain of first bases, which the framework's classes form
  // (TObject always comes first where a class has more than one base).
  const std::type_info* type = &typeid(*this);
  while (type) {
    if (Demangle(type->name()) == className) return true;
    if (auto* si = dynamic_cast<const abi::__si_class_type_info*>(type))
      type = si->__base_type;
    else if (auto* vmi = dynamic_cast<const abi::__vmi_class_type_info*>(type); vmi && vmi->__base_count > 0)
      type = vmi->__base_info[0].__base_type;
    else
      type = nullptr;
  }
  return false;
}
