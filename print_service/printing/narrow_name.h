// UTF-16 queue names to the system ANSI code page.
#pragma once

#include <string>

#include "platform/win32.h"

namespace orvi {

// The name in the system ANSI code page (best fit or the default character
// for what it lacks); an absent or unconvertible name gives "".
std::string NarrowName(const WCHAR* name);

}  // namespace orvi
