#include "print_service/printing/temp_image_file.h"

#include <cstdio>

#include "platform/win32.h"
#include "print_service/printing/log_line.h"

namespace orvi {

std::optional<std::wstring> TempImagePathFromDocuments(const std::wstring& documentsFolder) {
  std::wstring folder = documentsFolder;
  const size_t lastBackslash = folder.rfind(L'\\');
  if (lastBackslash != std::wstring::npos) folder.resize(lastBackslash + 1);
  std::wstring jpgFilePath = folder + L"\\tempOV.JPG";
  if (jpgFilePath.size() >= MAX_PATH) return std::nullopt;
  return jpgFilePath;
}

std::optional<std::wstring> TempImageFilePath() {
  WCHAR publicFolderPath[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, 0, publicFolderPath) != S_OK) {
    std::printf("Failed to retrieve Common Documents folder path.\n");
    std::fflush(stdout);
    return std::nullopt;
  }
  publicFolderPath[MAX_PATH - 1] = 0;
  std::optional<std::wstring> path = TempImagePathFromDocuments(publicFolderPath);
  if (!path) LogLine("Image file path is longer than MAX_PATH; not used.");
  return path;
}

}  // namespace orvi
