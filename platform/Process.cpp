#include "platform/Process.h"

namespace win::detail {

void ReportInputIdle() {}

}  // namespace win::detail
