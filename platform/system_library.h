#pragma once
#include <string_view>

// Libraries of the system bound at run time by name ("setupapi.dll"): the
// platform provides them in-process; a test can make one missing, so that
// loading it fails as it would on a damaged system.
namespace platform {

struct SystemLibrary;

// Null (last error 126) when the library is missing.
SystemLibrary* LoadSystemLibrary(std::string_view name);
// An entry point by name, or null (last error 127).
void* GetSystemProc(SystemLibrary* library, std::string_view name);
void FreeSystemLibrary(SystemLibrary* library);
// Loads held and not yet freed (for leak checks).
int SystemLibraryLoads();

// Test seams: a library missing, or one entry point missing.
void SetSystemLibraryMissing(std::string_view name, bool missing);
void SetSystemProcMissing(std::string_view library, std::string_view proc, bool missing);

}  // namespace platform
