// The per-queue file names: "<data directory>\<queue name>.ini" and ".bin".
#include <cstdio>
#include <cstring>

#include "settings_store/settings_store.h"

namespace orvi {

bool IsPlainFileName(const char* name) {
  if (name == nullptr) return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  return std::strpbrk(name, "\\/:") == nullptr;
}

QueueFilePath FormQueueFilePath(const char* dataDirectory, const char* printerName, QueueFile kind,
                                char (&out)[kPathBufferSize]) {
  out[0] = '\0';
  if (!IsPlainFileName(printerName)) return QueueFilePath::NotAPlainName;
  const char* extension = kind == QueueFile::Settings ? ".ini" : ".bin";
  size_t length = std::strlen(dataDirectory) + 1 + std::strlen(printerName) + std::strlen(extension);
  if (length > kPathBufferSize - 1) return QueueFilePath::TooLong;
  std::snprintf(out, sizeof out, "%s\\%s%s", dataDirectory, printerName, extension);
  return QueueFilePath::Formed;
}

}  // namespace orvi
