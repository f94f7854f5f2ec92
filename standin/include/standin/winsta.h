// Window stations and desktops, declared from the public documentation.
#pragma once

#include "standin/base.h"

#define MAXIMUM_ALLOWED 0x02000000L

HWINSTA WINAPI OpenWindowStationA(LPCSTR lpszWinSta, BOOL fInherit, DWORD dwDesiredAccess);
BOOL WINAPI SetProcessWindowStation(HWINSTA hWinSta);
BOOL WINAPI CloseWindowStation(HWINSTA hWinSta);
HDESK WINAPI OpenDesktopA(LPCSTR lpszDesktop, DWORD dwFlags, BOOL fInherit, DWORD dwDesiredAccess);
BOOL WINAPI SetThreadDesktop(HDESK hDesktop);
BOOL WINAPI CloseDesktop(HDESK hDesktop);
