// Processes: the environment, the command line, module paths, process
// creation and input-idle reporting.
#pragma once

#include "platform/Types.h"

namespace win::detail {

// Called by the message loop the first time a thread of this process waits
// for a message: a program built on this platform is then input-idle for a
// parent waiting in WaitForInputIdle.
void ReportInputIdle();

}  // namespace win::detail
