// The process image's resources, read from the program's resource script:
// ICON and MENU statements, with "#define NAME number" for symbolic ids.
// Other statements (LANGUAGE, the manifest, ...) are skipped.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "standin/control.h"
#include "standin/control_user.h"
#include "standin/kernel.h"
#include "standin/user.h"
#include "user_internal.h"

namespace {

struct Resources {
  std::mutex mutex;
  std::map<UINT, std::vector<standin::MenuEntry>> menus;
  std::map<UINT, std::unique_ptr<int>> icons;  // the address is the shared icon handle
};
Resources& resources() {
  static Resources* r = new Resources;
  return *r;
}

// Taken before any test can plan a failure of GetModuleHandleW.
const HMODULE process_image = GetModuleHandleW(nullptr);

std::wstring FromUtf8(const std::string& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t code = extra == 0 ? c : (c & (0x3F >> extra));
    for (int k = 1; k <= extra && i + k < s.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    out += static_cast<wchar_t>(code);
    i += 1 + extra;
  }
  return out;
}

struct Token {
  std::string text;
  bool quoted = false;
};

// Splits the script into words, quoted strings and commas; drops comments
// and preprocessor lines, collecting "#define NAME value" on the way.
std::vector<Token> Tokenize(const std::string& src, std::map<std::string, std::string>* defines) {
  std::vector<Token> out;
  size_t i = 0;
  bool line_start = true;
  while (i < src.size()) {
    char c = src[i];
    if (c == '\n') {
      line_start = true;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (line_start && c == '#') {
      size_t end = src.find('\n', i);
      std::string line = src.substr(i, end == std::string::npos ? std::string::npos : end - i);
      char name[128], value[128];
      if (std::sscanf(line.c_str(), "#define %127s %127s", name, value) == 2) {
        (*defines)[name] = value;
      }
      i = end == std::string::npos ? src.size() : end;
    } else if (src.compare(i, 2, "//") == 0) {
      size_t end = src.find('\n', i);
      i = end == std::string::npos ? src.size() : end;
    } else if (src.compare(i, 2, "/*") == 0) {
      size_t end = src.find("*/", i + 2);
      i = end == std::string::npos ? src.size() : end + 2;
    } else if (c == '"') {
      Token t{"", true};
      for (++i; i < src.size(); ++i) {
        if (src[i] == '"' && i + 1 < src.size() && src[i + 1] == '"') {
          t.text += '"';
          ++i;
        } else if (src[i] == '"') {
          ++i;
          break;
        } else {
          t.text += src[i];
        }
      }
      out.push_back(t);
      line_start = false;
    } else if (c == ',') {
      out.push_back({",", false});
      ++i;
      line_start = false;
    } else {
      size_t start = i;
      while (i < src.size() && !std::isspace(static_cast<unsigned char>(src[i])) &&
             src[i] != ',' && src[i] != '"') {
        ++i;
      }
      out.push_back({src.substr(start, i - start), false});
      line_start = false;
    }
  }
  return out;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::map<std::string, std::string> defines)
      : t_(std::move(tokens)), defines_(std::move(defines)) {}

  bool Parse(Resources& r) {
    while (pos_ < t_.size()) {
      if (Is("LANGUAGE")) {
        pos_ += 4;  // LANGUAGE primary , sub
        continue;
      }
      UINT id = 0;
      if (!Number(t_[pos_++].text, &id) || pos_ >= t_.size()) return false;
      std::string type = t_[pos_++].text;
      if (type == "ICON") {
        if (pos_ >= t_.size() || !t_[pos_++].quoted) return false;
        r.icons.emplace(id, std::make_unique<int>(0));
      } else if (type == "MENU" || type == "MENUEX") {
        std::vector<standin::MenuEntry> entries;
        if (!SkipToBlock() || !Block(&entries)) return false;
        r.menus[id] = entries;
      } else if (pos_ < t_.size() && t_[pos_].quoted) {
        ++pos_;  // a resource from a file
      } else if (!SkipToBlock() || !SkipBlock()) {
        return false;
      }
    }
    return true;
  }

 private:
  bool Is(const char* word) const { return pos_ < t_.size() && !t_[pos_].quoted && t_[pos_].text == word; }
  bool IsBegin() const { return Is("BEGIN") || Is("{"); }
  bool IsEnd() const { return Is("END") || Is("}"); }

  bool Number(std::string text, UINT* out) const {
    auto d = defines_.find(text);
    if (d != defines_.end()) text = d->second;
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0') return false;
    *out = static_cast<UINT>(v);
    return true;
  }

  bool SkipToBlock() {
    while (pos_ < t_.size() && !IsBegin()) ++pos_;
    return pos_ < t_.size();
  }

  bool SkipBlock() {
    int depth = 0;
    do {
      if (IsBegin()) ++depth;
      if (IsEnd()) --depth;
      ++pos_;
    } while (depth > 0 && pos_ < t_.size());
    return depth == 0;
  }

  // At BEGIN: reads POPUP and MENUITEM statements up to the matching END.
  bool Block(std::vector<standin::MenuEntry>* entries) {
    ++pos_;
    while (pos_ < t_.size() && !IsEnd()) {
      standin::MenuEntry e;
      if (Is("MENUITEM") && pos_ + 1 < t_.size() && t_[pos_ + 1].text == "SEPARATOR") {
        pos_ += 2;
        entries->push_back(e);
        continue;
      }
      bool popup = Is("POPUP");
      if (!popup && !Is("MENUITEM")) return false;
      if (++pos_ >= t_.size() || !t_[pos_].quoted) return false;
      e.text = FromUtf8(t_[pos_++].text);
      if (popup) {
        if (!SkipToBlock() || !Block(&e.popup)) return false;
      } else {
        if (!Is(",") || ++pos_ >= t_.size() || !Number(t_[pos_++].text, &e.id)) return false;
        while (Is(",")) pos_ += 2;  // options such as GRAYED
      }
      entries->push_back(e);
    }
    if (pos_ >= t_.size()) return false;
    ++pos_;
    return true;
  }

  std::vector<Token> t_;
  std::map<std::string, std::string> defines_;
  size_t pos_ = 0;
};

UINT ResourceId(LPCWSTR name) {
  auto v = reinterpret_cast<ULONG_PTR>(name);
  return v < 0x10000 ? static_cast<UINT>(v) : 0;
}

}  // namespace

namespace standin {

bool RegisterResourceScript(const std::string& defines, const std::string& script) {
  std::map<std::string, std::string> names;
  Tokenize(defines, &names);
  std::vector<Token> tokens = Tokenize(script, &names);
  Resources& r = resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  return Parser(std::move(tokens), std::move(names)).Parse(r);
}

std::vector<MenuEntry> MenuResource(UINT id) {
  Resources& r = resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.menus.find(id);
  return it == r.menus.end() ? std::vector<MenuEntry>{} : it->second;
}

UINT IconResourceId(HICON icon) {
  Resources& r = resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (auto& [id, p] : r.icons) {
    if (reinterpret_cast<HICON>(p.get()) == icon) return id;
  }
  return 0;
}

bool IsProcessImage(HINSTANCE instance) { return instance != nullptr && instance == process_image; }

}  // namespace standin

// Icons from LoadIconW are shared: nothing releases them, so they are not
// entries of the handle table.
HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  STANDIN_ENTER("LoadIconW", nullptr);
  if (!standin::IsProcessImage(hInstance)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  Resources& r = resources();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.icons.find(ResourceId(lpIconName));
  if (it == r.icons.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HICON>(it->second.get());
}
