// The one header through which product code reaches the Win32 API.
// On Windows it brings the SDK; elsewhere our own stand-in declares the
// same calls and implements them in-process for the tests.
#pragma once

#ifdef _WIN32
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <winsock2.h>  // before windows.h, as the HTTP library needs it
#  include <windows.h>
#  include <winspool.h>
#  include <shellapi.h>
#  include <shlobj.h>
#  include <setupapi.h>
#  include <dbt.h>
#  include <gdiplus.h>
#else
#  include "standin/win32.h"
#endif
