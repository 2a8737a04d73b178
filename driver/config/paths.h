#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Paths relative to the library's own file, and folder creation.
namespace tarvel {

// Full path of the Tarvel library file (dladdr; the platform's module-name
// override applies), and its folder.
std::string ModuleFilePath();
std::string ModuleFolder();

// `MakeModulePath`: a relative path resolved against the folder of the
// library file (not the process's current folder); an absolute one is only
// normalised. "\" separators are accepted; the result uses "/".
std::string MakeModulePath(std::string_view path);

// Creates every folder of `folder` from the first component on, ignoring
// failures.
void CreateFolders(std::string_view folder);
// fopen that first creates the folder of `path` ("NUL" is the null device).
std::FILE* OpenWithFolders(std::string_view path, const char* mode);

// Free bytes available to the caller on the file system of `path`; 0 on
// failure.
uint64_t FreeSpace(std::string_view path);

}  // namespace tarvel
