// Which queues the printer list keeps: the filter mode and its decision,
// free of any spooler call.
#pragma once

#include <string>

#include "platform/win32.h"

namespace orvi {

// 4 x onlyLocal + 2 x onlyOnline + onlySupported, 0 to 7.
int FilterMode(bool onlyLocal, bool onlyOnline, bool onlySupported);

// Whole-name, case-sensitive match against the supported label-printer models.
bool IsSupportedModelName(const std::string& narrowName);

// Whether a queue with these attributes and narrow name passes `mode`.
bool QueuePassesFilter(int mode, DWORD attributes, const std::string& narrowName);

}  // namespace orvi
