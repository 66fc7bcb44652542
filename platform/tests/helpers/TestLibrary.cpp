// A library built on the platform that the module tests load and unload.
#include "platform/Process.h"

namespace {
int marker;
}

extern "C" win::HMODULE LozgTestOwnModule() { return win::detail::ModuleOfAddress(&marker); }
