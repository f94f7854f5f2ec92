// Code page 936 conversions (glibc's iconv) and the two conversion calls.
#include <iconv.h>

#include <cstring>
#include <string>

#include "standin/control.h"
#include "standin/control_text.h"
#include "standin/kernel.h"

namespace {

// Converts one unit at a time so that a unit without a mapping can be
// replaced instead of ending the conversion.
std::string ConvertWideToAnsi(const std::wstring& wide, bool* usedDefault) {
  iconv_t cd = iconv_open("CP936", "WCHAR_T");
  std::string out;
  for (wchar_t w : wide) {
    char buf[8];
    char* in = reinterpret_cast<char*>(&w);
    size_t in_left = sizeof(wchar_t);
    char* dst = buf;
    size_t out_left = sizeof(buf);
    if (w < 0x80) {
      out += static_cast<char>(w);
    } else if (iconv(cd, &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1)) {
      out += '?';
      if (usedDefault) *usedDefault = true;
    } else {
      out.append(buf, sizeof(buf) - out_left);
    }
  }
  iconv_close(cd);
  return out;
}

std::wstring ConvertAnsiToWide(const std::string& ansi) {
  iconv_t cd = iconv_open("WCHAR_T", "CP936");
  std::wstring out;
  size_t i = 0;
  while (i < ansi.size()) {
    unsigned char b = static_cast<unsigned char>(ansi[i]);
    if (b < 0x80) {
      out += static_cast<wchar_t>(b);
      ++i;
      continue;
    }
    size_t len = (i + 1 < ansi.size()) ? 2 : 1;
    wchar_t w = 0;
    char* in = const_cast<char*>(ansi.data() + i);
    size_t in_left = len;
    char* dst = reinterpret_cast<char*>(&w);
    size_t out_left = sizeof(w);
    if (iconv(cd, &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1) || out_left != 0) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      out += static_cast<wchar_t>(0xFFFD);
      i += 1;
    } else {
      out += w;
      i += len - in_left;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

namespace standin {
std::wstring AnsiToWide(const std::string& ansi) { return ConvertAnsiToWide(ansi); }
std::string WideToAnsi(const std::wstring& wide, bool* usedDefault) {
  return ConvertWideToAnsi(wide, usedDefault);
}
}  // namespace standin

// Code pages CP_ACP (936 here) and CP_UTF8 are supported; lengths of -1 mean
// "up to and including the terminating zero", as documented.
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR,
                               LPBOOL lpUsedDefaultChar) {
  STANDIN_ENTER("WideCharToMultiByte", 0);
  if (lpWideCharStr == nullptr || cbMultiByte < 0 || cchWideChar == 0 || cchWideChar < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring in = cchWideChar == -1 ? std::wstring(lpWideCharStr, std::wcslen(lpWideCharStr) + 1)
                                      : std::wstring(lpWideCharStr, static_cast<size_t>(cchWideChar));
  bool used = false;
  std::string out;
  if (CodePage == CP_ACP || CodePage == 936) {
    out = standin::WideToAnsi(in, &used);
  } else if (CodePage == CP_UTF8) {
    iconv_t cd = iconv_open("UTF-8", "WCHAR_T");
    std::string buf(in.size() * 4 + 4, '\0');
    char* src = reinterpret_cast<char*>(in.data());
    size_t src_left = in.size() * sizeof(wchar_t);
    char* dst = buf.data();
    size_t dst_left = buf.size();
    iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    out.assign(buf.data(), buf.size() - dst_left);
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = used ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpMultiByteStr, out.data(), out.size());
  return static_cast<int>(out.size());
}

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  STANDIN_ENTER("MultiByteToWideChar", 0);
  if (lpMultiByteStr == nullptr || cchWideChar < 0 || cbMultiByte == 0 || cbMultiByte < -1 ||
      (CodePage != CP_ACP && CodePage != 936)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string in = cbMultiByte == -1 ? std::string(lpMultiByteStr, std::strlen(lpMultiByteStr) + 1)
                                     : std::string(lpMultiByteStr, static_cast<size_t>(cbMultiByte));
  std::wstring out = standin::AnsiToWide(in);
  if (cchWideChar == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cchWideChar)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::wmemcpy(lpWideCharStr, out.data(), out.size());
  return static_cast<int>(out.size());
}
