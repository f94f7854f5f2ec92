// _wfopen: the wide path is a Windows path on the mapped C: drive.
#include <cerrno>
#include <string>

#include "standin/control.h"
#include "standin/stdio_wide.h"

FILE* _wfopen(const wchar_t* filename, const wchar_t* mode) {
  STANDIN_ENTER("_wfopen", nullptr);
  if (filename == nullptr || mode == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  std::filesystem::path mapped = standin::MapPath(std::wstring(filename));
  if (mapped.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  std::string narrowMode;
  for (const wchar_t* m = mode; *m; ++m) narrowMode += static_cast<char>(*m);
  return std::fopen(mapped.c_str(), narrowMode.c_str());
}
