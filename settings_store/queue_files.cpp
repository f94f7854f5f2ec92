// The per-queue file names: "<data directory>\<queue name>.ini" and ".bin".
#include <cstring>
#include <string>

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
  const std::string path = std::string(dataDirectory) + "\\" + printerName + extension;
  if (path.size() > kPathBufferSize - 1) return QueueFilePath::TooLong;
  std::memcpy(out, path.c_str(), path.size() + 1);
  return QueueFilePath::Formed;
}

}  // namespace orvi
