#pragma once
// Library loading under Windows-style names and resources as tables.
// "mwcolor.DLL" is loaded as libmwcolor.so from the library folder: the one
// set by SetLibraryFolder (or the environment variable VORNIX_TOOLKIT_LIBS),
// else the folder of libmwsystem.so. A loaded library that exports
// MwResources offers its resource table; in-process modules (a library's own
// resources, test fixtures) are registered with their table directly.
// Modules keep their own reference counts so that "unloaded" can be observed.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mwsys {

enum ResourceType : int32_t { kResourceCursor = 1, kResourceBitmap = 2 };

struct ResourceEntry {
  int32_t type;
  int32_t id;
  const void* data;
  size_t size;
};

// Signature of the MwResources export: the table and its length.
using ResourceTableFn = const ResourceEntry* (*)(size_t* count);

struct ModuleRecord;
using Module = ModuleRecord*;

// Null when the library cannot be found or loaded. A second load of the
// same name gives the same module and counts one reference more.
Module LoadLibrary(const std::string& name);
// Drops one reference; at none the library is unloaded. False for an unknown module.
bool FreeLibrary(Module module);
// Null for a missing entry point or an in-process module.
void* GetProcAddress(Module module, const std::string& entry);

// An in-process module named `name` (held until UnregisterModule).
Module RegisterModule(const std::string& name, const ResourceEntry* table, size_t count);
void UnregisterModule(Module module);

// Loaded (or registered) under this name, with any extension or case.
bool IsLoaded(const std::string& name);

// "" restores the default folder.
void SetLibraryFolder(const std::string& folder);
std::string LibraryFolder();
// "mwcolor.DLL" -> "libmwcolor.so".
std::string SharedObjectName(const std::string& name);

// The resource of that type and number, or null (unknown module, no such
// resource, or the call "mwsys.FindResource(<module>,<id>)" set failing).
const ResourceEntry* FindResource(Module module, int32_t type, int32_t id);

}  // namespace mwsys
