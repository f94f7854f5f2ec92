// GDI calls for printing and for drawing bitmaps: printer device contexts
// and their jobs, memory device contexts, DIB sections, StretchBlt and
// AlphaBlend, declared from the public documentation. Pages drawn on a
// printer DC are recorded in the spooler model (control_spooler.h).
#pragma once

#include "standin/base.h"
#include "standin/spooler.h"

typedef void* HGDIOBJ;

// GetDeviceCaps indexes.
#define HORZRES 8
#define VERTRES 10
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113

#define SP_ERROR (-1)

struct DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
};
typedef DOCINFOW* LPDOCINFOW;

HDC WINAPI CreateDCW(LPCWSTR pwszDriver, LPCWSTR pwszDevice, LPCWSTR pszPort,
                     const DEVMODEW* pdm);
int WINAPI GetDeviceCaps(HDC hdc, int index);
HDC WINAPI ResetDCW(HDC hdc, const DEVMODEW* lpdm);
int WINAPI StartDocW(HDC hdc, const DOCINFOW* lpdi);
int WINAPI StartPage(HDC hdc);
int WINAPI EndPage(HDC hdc);
int WINAPI EndDoc(HDC hdc);
int WINAPI AbortDoc(HDC hdc);
BOOL WINAPI DeleteDC(HDC hdc);

#define BI_RGB 0L
#define DIB_RGB_COLORS 0

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: bottom-up rows; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
typedef BITMAPINFOHEADER* PBITMAPINFOHEADER;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
typedef BITMAPINFO* LPBITMAPINFO;

HDC WINAPI CreateCompatibleDC(HDC hdc);
// Only 24 and 32 bits per pixel, BI_RGB, are supported.
HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                                HANDLE hSection, DWORD offset);
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h);
BOOL WINAPI DeleteObject(HGDIOBJ ho);

#define SRCCOPY 0x00CC0020u

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc,
                       int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop);

#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01

struct BLENDFUNCTION {
  BYTE BlendOp;
  BYTE BlendFlags;
  BYTE SourceConstantAlpha;
  BYTE AlphaFormat;
};

// Source over with a premultiplied per-pixel alpha (AC_SRC_ALPHA), as
// documented for 32-bit sources.
BOOL WINAPI AlphaBlend(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc,
                       int xSrc, int ySrc, int wSrc, int hSrc, BLENDFUNCTION ftn);
