// Shell folder lookup (SHGetFolderPathW), declared from the public
// documentation.
#pragma once

#include "standin/base.h"

#define CSIDL_APPDATA 0x001a
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_COMMON_DOCUMENTS 0x002e
#define SHGFP_TYPE_CURRENT 0
#define E_INVALIDARG ((HRESULT)0x80070057L)

HRESULT WINAPI SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags,
                                LPWSTR pszPath);
