#include "toolkit/outside/system/runtime_class.h"

#include <map>

namespace mwsys {
namespace {
std::map<std::string, const RuntimeClass*>& classes() {
  static auto* c = new std::map<std::string, const RuntimeClass*>;
  return *c;
}
}  // namespace

bool RegisterClass(const RuntimeClass* cls) { return cls && classes().emplace(cls->name, cls).second; }

void UnregisterClass(const RuntimeClass* cls) {
  auto it = cls ? classes().find(cls->name) : classes().end();
  if (it != classes().end() && it->second == cls) classes().erase(it);
}

const RuntimeClass* FindClass(const std::string& name) {
  auto it = classes().find(name);
  return it == classes().end() ? nullptr : it->second;
}

Object* CreateObject(const std::string& name) {
  const RuntimeClass* cls = FindClass(name);
  return cls && cls->create ? cls->create() : nullptr;
}

}  // namespace mwsys
