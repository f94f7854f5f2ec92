// The stand-in's system ANSI code page is 936, as on the machines the
// programs are made for. Conversions used by the A and W calls.
#pragma once

#include <string>

namespace standin {
// Code page 936 bytes to text; invalid bytes become U+FFFD.
std::wstring AnsiToWide(const std::string& ansi);
// Text to code page 936 bytes; characters the code page lacks become "?".
// `usedDefault` (optional) reports whether that happened.
std::string WideToAnsi(const std::wstring& wide, bool* usedDefault = nullptr);
}  // namespace standin
