#include "driver/config/paths.h"

#include "platform/files.h"

namespace tarvel {

std::string ModuleFilePath() { return platform::ModuleFileName(reinterpret_cast<const void*>(&ModuleFilePath)); }

std::string ModuleFolder() { return platform::FolderPart(ModuleFilePath()); }

std::string MakeModulePath(std::string_view path) {
  std::string p = platform::NativePath(path);
  if (!p.empty() && p[0] == '/') return platform::FullPath(p);
  return platform::FullPath(ModuleFolder() + "/" + p);
}

void CreateFolders(std::string_view folder) { platform::CreateDirectories(folder); }

std::FILE* OpenWithFolders(std::string_view path, const char* mode) {
  if (!platform::IsNullDevice(path)) {
    std::string folder = platform::FolderPart(path);
    if (!folder.empty()) CreateFolders(folder);
  }
  return platform::OpenFile(path, mode);
}

uint64_t FreeSpace(std::string_view path) { return platform::FreeDiskSpace(path); }

}  // namespace tarvel
