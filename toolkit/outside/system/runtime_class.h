#pragma once
// A minimal run-time class layer: classes registered by name and schema,
// objects created by class name, and the root object class they derive from.
#include <cstdint>
#include <string>

namespace mwsys {

class Object;

struct RuntimeClass {
  const char* name;
  uint32_t schema;
  Object* (*create)();
};

class Object {
 public:
  virtual const RuntimeClass* GetRuntimeClass() const = 0;
  virtual ~Object() = default;
  // Archive is an opaque pointer: nothing here serialises.
  virtual void Serialize(void* archive) = 0;
};

// False when a class of that name is already registered.
bool RegisterClass(const RuntimeClass* cls);
void UnregisterClass(const RuntimeClass* cls);
const RuntimeClass* FindClass(const std::string& name);
// Null for an unknown class.
Object* CreateObject(const std::string& name);

}  // namespace mwsys
