#include "platform/registry.h"

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/little_endian.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

namespace platform::registry {
namespace {

// Store file format, one record a line:
//   VORNIXREG 1                  header
//   K <path>                     a key (components joined by "\")
//   V <type> <name> <hex bytes>  a value of the key above
// Names are escaped: bytes up to 0x20, from 0x7F, "%" and "\" as %XX.

constexpr const char* kHeader = "VORNIXREG 1";

// Keys deeper than this are refused, as Windows refuses them.
constexpr size_t kMaxKeyDepth = 512;

struct Node {
  Node() = default;
  Node(Node&&) = default;
  Node& operator=(Node&&) = default;
  // The subtree is freed from a list, not by recursion.
  ~Node() {
    std::vector<std::unique_ptr<Node>> doomed;
    auto take_children = [&](Node& n) {
      for (auto& entry : n.children) doomed.push_back(std::move(entry.second));
      n.children.clear();
    };
    take_children(*this);
    while (!doomed.empty()) {
      std::unique_ptr<Node> n = std::move(doomed.back());
      doomed.pop_back();
      take_children(*n);
    }
  }

  std::string name;
  std::map<std::string, std::pair<std::string, Value>> values;  // folded -> (name, value)
  std::map<std::string, std::unique_ptr<Node>> children;  // folded -> key
};

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    size_t cut = path.find('\\');
    std::string_view part = path.substr(0, cut);
    if (!part.empty()) parts.push_back(part);
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return parts;
}

Node* Walk(Node& root, std::string_view path, bool create) {
  Node* node = &root;
  for (std::string_view part : SplitPath(path)) {
    std::string folded = AsciiFold(part);
    auto it = node->children.find(folded);
    if (it == node->children.end()) {
      if (!create) return nullptr;
      auto child = std::make_unique<Node>();
      child->name = std::string(part);
      it = node->children.emplace(folded, std::move(child)).first;
    }
    node = it->second.get();
  }
  return node;
}

const Node* Find(const Node& root, std::string_view path) { return Walk(const_cast<Node&>(root), path, false); }

std::string Escape(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (c <= 0x20 || c >= 0x7F || c == '%' || c == '\\') {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return std::nullopt;
    int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += char(hi * 16 + lo);
    i += 2;
  }
  return out;
}

void Serialize(const Node& node, const std::string& path, std::string& out) {
  out += "K " + path + "\n";
  static const char* hex = "0123456789ABCDEF";
  for (const auto& [folded, entry] : node.values) {
    out += "V " + std::to_string(uint32_t(entry.second.type)) + " " + Escape(entry.first) + " ";
    for (uint8_t b : entry.second.data) {
      out += hex[b >> 4];
      out += hex[b & 15];
    }
    out += "\n";
  }
  for (const auto& [folded, child] : node.children)
    Serialize(*child, path.empty() ? Escape(child->name) : path + "\\" + Escape(child->name), out);
}

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> t;
  size_t pos = 0;
  while (pos <= line.size()) {
    size_t sp = line.find(' ', pos);
    if (sp == std::string_view::npos) sp = line.size();
    t.push_back(line.substr(pos, sp - pos));
    pos = sp + 1;
  }
  return t;
}

// nullopt when the text is not a store.
std::optional<Node> Parse(std::string_view text) {
  Node root;
  Node* current = nullptr;
  size_t pos = 0;
  bool first = true;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) return std::nullopt;  // cut short
    std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    if (first) {
      if (line != kHeader) return std::nullopt;
      first = false;
      continue;
    }
    std::vector<std::string_view> t = Tokens(line);
    if (t[0] == "K" && t.size() == 2) {
      const std::vector<std::string_view> parts = SplitPath(t[1]);
      if (parts.size() > kMaxKeyDepth) return std::nullopt;
      std::string path;
      for (std::string_view part : parts) {
        std::optional<std::string> name = Unescape(part);
        if (!name || name->empty()) return std::nullopt;
        path += (path.empty() ? "" : "\\") + *name;
      }
      current = Walk(root, path, true);
    } else if (t[0] == "V" && t.size() == 4 && current) {
      char* end = nullptr;
      std::string type_text(t[1]);
      unsigned long type = std::strtoul(type_text.c_str(), &end, 10);
      std::optional<std::string> name = Unescape(t[2]);
      if (type_text.empty() || *end || !name || t[3].size() % 2) return std::nullopt;
      Value v;
      v.type = ValueType(type);
      for (size_t i = 0; i < t[3].size(); i += 2) {
        int hi = HexDigit(t[3][i]), lo = HexDigit(t[3][i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        v.data.push_back(uint8_t(hi * 16 + lo));
      }
      current->values[AsciiFold(*name)] = {*name, std::move(v)};
    } else {
      return std::nullopt;
    }
  }
  if (first && !text.empty()) return std::nullopt;
  return root;
}

std::string StoreFile(Hive hive) {
  return StoreFolder() + (hive == Hive::LocalMachine ? "/HKEY_LOCAL_MACHINE.reg" : "/HKEY_CURRENT_USER.reg");
}

// An flock on the hive's lock file for the life of the object.
class StoreLock {
 public:
  StoreLock(Hive hive, bool exclusive) {
    std::string lock = StoreFile(hive) + ".lock";
    fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0 && ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~StoreLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool held() const { return fd_ >= 0; }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  int fd_ = -1;
};

// The hive as stored: empty when there is no file; nullopt when it cannot be
// read or parsed.
std::optional<Node> Load(Hive hive) {
  std::string file = StoreFile(hive);
  if (!FileExists(file)) return Node{};
  std::optional<std::string> text = ReadWholeFile(file);
  if (!text) return std::nullopt;
  return Parse(*text);
}

template <typename F>
auto Read(Hive hive, F&& f) -> decltype(f(std::declval<const Node&>())) {
  StoreLock lock(hive, false);
  std::optional<Node> root = Load(hive);
  if (!root) return {};
  return f(*root);
}

// Runs `change` on the loaded hive under the exclusive lock and stores the
// result when it reports a change. Returns change's verdict (false on any
// failure to read or write the store).
bool Modify(Hive hive, const std::function<bool(Node&, bool& changed)>& change) {
  CreateDirectories(StoreFolder());
  StoreLock lock(hive, true);
  if (!lock.held()) return false;
  std::optional<Node> root = Load(hive);
  if (!root) return false;
  bool changed = false;
  if (!change(*root, changed)) return false;
  if (!changed) return true;
  std::string out = std::string(kHeader) + "\n";
  Serialize(*root, "", out);
  return WriteFileAtomically(StoreFile(hive), out);
}

}  // namespace

std::string StoreFolder() {
  if (const char* dir = std::getenv("VORNIX_REGISTRY_DIR"); dir && *dir) return dir;
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.local/share";
  else
    base = "/tmp";
  return base + "/vornix/registry";
}

bool KeyExists(Hive hive, std::string_view path) {
  return Read(hive, [&](const Node& root) -> std::optional<bool> { return Find(root, path) != nullptr; })
      .value_or(false);
}

bool CreateKey(Hive hive, std::string_view path) {
  if (SplitPath(path).size() > kMaxKeyDepth) return false;
  return Modify(hive, [&](Node& root, bool& changed) {
    if (!Walk(root, path, false)) {
      Walk(root, path, true);
      changed = true;
    }
    return true;
  });
}

bool DeleteKey(Hive hive, std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  if (parts.empty()) return false;
  return Modify(hive, [&](Node& root, bool& changed) {
    std::string parent_path;
    for (size_t i = 0; i + 1 < parts.size(); ++i) parent_path += std::string(parts[i]) + "\\";
    Node* parent = Walk(root, parent_path, false);
    if (!parent) return false;
    auto it = parent->children.find(AsciiFold(parts.back()));
    if (it == parent->children.end() || !it->second->children.empty()) return false;
    parent->children.erase(it);
    changed = true;
    return true;
  });
}

std::optional<KeyInfo> QueryKeyInfo(Hive hive, std::string_view path) {
  return Read(hive, [&](const Node& root) -> std::optional<KeyInfo> {
    const Node* node = Find(root, path);
    if (!node) return std::nullopt;
    return KeyInfo{uint32_t(node->children.size()), uint32_t(node->values.size())};
  });
}

std::optional<std::string> EnumSubkey(Hive hive, std::string_view path, uint32_t index) {
  return Read(hive, [&](const Node& root) -> std::optional<std::string> {
    const Node* node = Find(root, path);
    if (!node || index >= node->children.size()) return std::nullopt;
    auto it = node->children.begin();
    std::advance(it, index);
    return it->second->name;
  });
}

std::optional<Value> QueryValue(Hive hive, std::string_view path, std::string_view name) {
  return Read(hive, [&](const Node& root) -> std::optional<Value> {
    const Node* node = Find(root, path);
    if (!node) return std::nullopt;
    auto it = node->values.find(AsciiFold(name));
    if (it == node->values.end()) return std::nullopt;
    return it->second.second;
  });
}

bool SetValue(Hive hive, std::string_view path, std::string_view name, const Value& value) {
  return Modify(hive, [&](Node& root, bool& changed) {
    Node* node = Walk(root, path, false);
    if (!node) return false;
    auto& slot = node->values[AsciiFold(name)];
    if (slot.first.empty()) slot.first = std::string(name);
    slot.second = value;
    changed = true;
    return true;
  });
}

bool DeleteValue(Hive hive, std::string_view path, std::string_view name) {
  return Modify(hive, [&](Node& root, bool& changed) {
    Node* node = Walk(root, path, false);
    if (!node || node->values.erase(AsciiFold(name)) == 0) return false;
    changed = true;
    return true;
  });
}

std::optional<uint32_t> QueryDword(Hive hive, std::string_view path, std::string_view name) {
  std::optional<Value> v = QueryValue(hive, path, name);
  if (!v || v->type != ValueType::Dword || v->data.size() != 4) return std::nullopt;
  return LoadLe(v->data.data(), 4);
}

std::optional<std::string> QueryString(Hive hive, std::string_view path, std::string_view name) {
  std::optional<Value> v = QueryValue(hive, path, name);
  if (!v || v->type != ValueType::String) return std::nullopt;
  std::string text(v->data.begin(), v->data.end());
  if (size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

bool SetDword(Hive hive, std::string_view path, std::string_view name, uint32_t value) {
  Value v{ValueType::Dword, {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)}};
  return SetValue(hive, path, name, v);
}

bool SetString(Hive hive, std::string_view path, std::string_view name, std::string_view text, bool with_nul) {
  Value v{ValueType::String, std::vector<uint8_t>(text.begin(), text.end())};
  if (with_nul) v.data.push_back(0);
  return SetValue(hive, path, name, v);
}

}  // namespace platform::registry
