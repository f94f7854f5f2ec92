// Test control of the shell folders: which path a CSIDL resolves to.
#pragma once

#include <string>

namespace standin {
// Makes SHGetFolderPathW answer `path` for `csidl` until the next Reset
// (the path must fit MAX_PATH units with its terminator).
void SetFolderPath(int csidl, const std::wstring& path);
}  // namespace standin
