// Stand-in for the Win32 API on machines without Windows. Each area has a
// header of its own; product code includes platform/win32.h, never these.
#pragma once

#include "standin/base.h"
#include "standin/kernel.h"
#include "standin/user.h"
#include "standin/shell.h"
#include "standin/shell_folders.h"
#include "standin/spooler.h"
#include "standin/gdi.h"
#include "standin/gdiplus.h"
#include "standin/registry.h"
#include "standin/profile.h"
#include "standin/files.h"
#include "standin/stdio_wide.h"
#include "standin/setupapi.h"
#include "standin/service.h"
#include "standin/winsta.h"
