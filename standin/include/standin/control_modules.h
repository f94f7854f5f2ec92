// Libraries that LoadLibraryA can load: an area registers the procedures it
// exports by name (for example advapi32.dll's RegisterServiceCtrlHandlerExA).
#pragma once

#include <string>

#include "standin/base.h"

namespace standin {
bool RegisterExport(const std::string& library, const std::string& name, FARPROC proc);
}  // namespace standin
