#include "toolkit/outside/system/modules.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <list>

#include "toolkit/outside/system/cursors_internal.h"
#include "toolkit/outside/system/standin_control.h"

namespace mwsys {

struct ModuleRecord {
  std::string key;  // lower-case base name
  void* dl = nullptr;
  const ResourceEntry* table = nullptr;
  size_t count = 0;
  int references = 0;
};

namespace {

std::list<ModuleRecord>& modules() {
  static auto* m = new std::list<ModuleRecord>;
  return *m;
}

std::string& folder_override() {
  static auto* f = new std::string;
  return *f;
}

std::string KeyOf(const std::string& name) {
  std::string base = name.substr(name.find_last_of("/\\") + 1);
  std::string lower;
  for (char c : base) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string ext = ".dll";
  if (lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0) {
    lower.resize(lower.size() - ext.size());
  }
  return lower;
}

ModuleRecord* Find(const std::string& key) {
  for (auto& m : modules()) {
    if (m.key == key) return &m;
  }
  return nullptr;
}

bool Known(Module module) {
  for (auto& m : modules()) {
    if (&m == module) return true;
  }
  return false;
}

void Remove(Module module) {
  ForgetSharedCursorsOf(module);
  modules().remove_if([&](const ModuleRecord& m) { return &m == module; });
}

}  // namespace

std::string SharedObjectName(const std::string& name) { return "lib" + KeyOf(name) + ".so"; }

void SetLibraryFolder(const std::string& folder) { folder_override() = folder; }

std::string LibraryFolder() {
  if (!folder_override().empty()) return folder_override();
  if (const char* env = std::getenv("VORNIX_TOOLKIT_LIBS"); env && *env) return env;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&SharedObjectName), &info) && info.dli_fname) {
    std::string self = info.dli_fname;
    auto slash = self.find_last_of('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
  }
  return ".";
}

Module LoadLibrary(const std::string& name) {
  std::string key = KeyOf(name);
  if (key.empty()) return nullptr;
  if (ModuleRecord* m = Find(key)) {
    ++m->references;
    return m;
  }
  std::string path = LibraryFolder() + "/" + SharedObjectName(name);
  void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!dl) return nullptr;
  ModuleRecord rec;
  rec.key = key;
  rec.dl = dl;
  rec.references = 1;
  if (auto fn = reinterpret_cast<ResourceTableFn>(dlsym(dl, "MwResources"))) rec.table = fn(&rec.count);
  modules().push_back(rec);
  return &modules().back();
}

bool FreeLibrary(Module module) {
  if (!module || !Known(module)) return false;
  if (--module->references > 0) return true;
  void* dl = module->dl;
  Remove(module);
  if (dl) dlclose(dl);
  return true;
}

void* GetProcAddress(Module module, const std::string& entry) {
  if (!module || !Known(module) || !module->dl) return nullptr;
  return dlsym(module->dl, entry.c_str());
}

Module RegisterModule(const std::string& name, const ResourceEntry* table, size_t count) {
  ModuleRecord rec;
  rec.key = KeyOf(name);
  rec.table = table;
  rec.count = count;
  rec.references = 1;
  modules().push_back(rec);
  return &modules().back();
}

void UnregisterModule(Module module) {
  if (module && Known(module)) Remove(module);
}

bool IsLoaded(const std::string& name) { return Find(KeyOf(name)) != nullptr; }

const ResourceEntry* FindResource(Module module, int32_t type, int32_t id) {
  if (!module || !Known(module)) return nullptr;
  if (Watched() && IsFailing("mwsys.FindResource(" + module->key + "," + std::to_string(id) + ")")) return nullptr;
  for (size_t i = 0; i < module->count; ++i) {
    if (module->table[i].type == type && module->table[i].id == id) return &module->table[i];
  }
  return nullptr;
}

}  // namespace mwsys
