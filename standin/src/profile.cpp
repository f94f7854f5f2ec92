// INI files read and written the way the Windows profile API does: section
// and key names without regard to letter case, values trimmed of blanks and
// of one pair of enclosing quotes, CRLF line ends on writing.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "standin/control.h"
#include "standin/profile.h"

namespace fs = std::filesystem;

namespace {

std::mutex& profileMutex() {
  static auto* m = new std::mutex;
  return *m;
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

std::string TrimRight(const std::string& s) {
  size_t e = s.find_last_not_of(" \t");
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

// The name of a section header line, or nothing for another line.
std::optional<std::string> SectionName(const std::string& line) {
  std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return std::nullopt;
  size_t close = t.find(']');
  return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

struct Entry {
  std::string key;
  std::string value;
};

// A key line "name = value"; comments and lines without '=' are none.
std::optional<Entry> KeyLine(const std::string& line) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Entry{Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))};
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
  return v;
}

std::optional<std::vector<std::string>> ReadLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Lines [first, end) of the section's body; nothing when it is absent.
struct SectionSpan {
  size_t header;
  size_t first;
  size_t end;
};
std::optional<SectionSpan> FindSection(const std::vector<std::string>& lines, const std::string& name) {
  std::string wanted = Lower(Trim(name));
  for (size_t i = 0; i < lines.size(); ++i) {
    auto s = SectionName(lines[i]);
    if (!s || Lower(*s) != wanted) continue;
    size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end])) ++end;
    return SectionSpan{i, i + 1, end};
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<std::string>& lines, const SectionSpan& s,
                              const std::string& key) {
  std::string wanted = Lower(Trim(key));
  for (size_t i = s.first; i < s.end; ++i) {
    auto e = KeyLine(lines[i]);
    if (e && Lower(e->key) == wanted) return i;
  }
  return std::nullopt;
}

// Copies one string, cut to fit; the count excludes the terminating zero.
DWORD CopyOut(const std::string& text, LPSTR out, DWORD size) {
  if (out == nullptr || size == 0) return 0;
  size_t n = std::min<size_t>(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

// Copies names as a list of zero-terminated strings ended by an extra zero;
// a list cut short ends with two zeros and reports size - 2.
DWORD CopyList(const std::vector<std::string>& names, LPSTR out, DWORD size) {
  if (out == nullptr || size == 0) return 0;
  if (size == 1) {
    out[0] = '\0';
    return 0;
  }
  std::string all;
  for (const std::string& n : names) all += n + '\0';
  if (all.size() + 1 <= size) {
    std::memcpy(out, all.data(), all.size());
    out[all.size()] = '\0';
    return static_cast<DWORD>(all.size());
  }
  std::memcpy(out, all.data(), size - 2);
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  return size - 2;
}

// Where the file lives here, or the error Windows gives for its path.
std::optional<fs::path> Locate(LPCSTR fileName, DWORD* error) {
  std::string path = fileName ? fileName : "";
  fs::path mapped = standin::MapPath(path);
  if (mapped.empty()) {
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  for (size_t i = 2; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c < 32 || std::strchr("<>:\"|?*", c) != nullptr) {
      *error = ERROR_INVALID_NAME;
      return std::nullopt;
    }
  }
  std::error_code ec;
  if (!fs::is_directory(mapped.parent_path(), ec)) {
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  return mapped;
}

bool WriteLines(const fs::path& file, const std::vector<std::string>& lines) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const std::string& l : lines) out << l << "\r\n";
  return static_cast<bool>(out.flush());
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  STANDIN_ENTER("GetPrivateProfileStringA", 0);
  std::lock_guard<std::mutex> lock(profileMutex());
  std::string fallback = TrimRight(lpDefault ? lpDefault : "");
  DWORD error = 0;
  std::optional<std::vector<std::string>> lines;
  if (auto file = Locate(lpFileName, &error)) lines = ReadLines(*file);
  if (!lines) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    lines.emplace();
  }
  if (lpAppName == nullptr) {
    std::vector<std::string> sections;
    for (const std::string& l : *lines) {
      if (auto s = SectionName(l)) sections.push_back(*s);
    }
    return CopyList(sections, lpReturnedString, nSize);
  }
  auto section = FindSection(*lines, lpAppName);
  if (lpKeyName == nullptr) {
    std::vector<std::string> keys;
    for (size_t i = section ? section->first : 0; section && i < section->end; ++i) {
      if (auto e = KeyLine((*lines)[i])) keys.push_back(e->key);
    }
    return CopyList(keys, lpReturnedString, nSize);
  }
  std::optional<size_t> key;
  if (section) key = FindKey(*lines, *section, lpKeyName);
  if (!key) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyOut(fallback, lpReturnedString, nSize);
  }
  SetLastError(NO_ERROR);
  return CopyOut(Unquote(KeyLine((*lines)[*key])->value), lpReturnedString, nSize);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                       LPCSTR lpFileName) {
  STANDIN_ENTER("WritePrivateProfileStringA", FALSE);
  if (lpAppName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(profileMutex());
  DWORD error = 0;
  auto file = Locate(lpFileName, &error);
  if (!file) {
    SetLastError(error);
    return FALSE;
  }
  std::error_code ec;
  if (fs::is_directory(*file, ec)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::vector<std::string> lines = ReadLines(*file).value_or(std::vector<std::string>{});
  const std::vector<std::string> before = lines;
  auto section = FindSection(lines, lpAppName);
  if (lpKeyName == nullptr) {  // deletes the whole section
    if (section) lines.erase(lines.begin() + section->header, lines.begin() + section->end);
  } else if (!section) {
    if (lpString != nullptr) {
      lines.push_back("[" + std::string(lpAppName) + "]");
      lines.push_back(std::string(lpKeyName) + "=" + lpString);
    }
  } else if (auto key = FindKey(lines, *section, lpKeyName)) {
    if (lpString == nullptr) {
      lines.erase(lines.begin() + *key);
    } else {
      lines[*key] = KeyLine(lines[*key])->key + "=" + lpString;
    }
  } else if (lpString != nullptr) {
    size_t at = section->end;
    while (at > section->first && Trim(lines[at - 1]).empty()) --at;  // after the section's last line
    lines.insert(lines.begin() + at, std::string(lpKeyName) + "=" + lpString);
  }
  if (lines == before) return TRUE;
  if (!WriteLines(*file, lines)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}
