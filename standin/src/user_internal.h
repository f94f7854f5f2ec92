// Shared between the user-interface stand-in's own files.
#pragma once

#include <vector>

#include "standin/base.h"

namespace standin {
// Windows alive now without a parent.
std::vector<HWND> TopLevelWindows();
}  // namespace standin

namespace standin {
// True for the instance handle of the program itself, the only module with
// resources here.
bool IsProcessImage(HINSTANCE instance);
}  // namespace standin
