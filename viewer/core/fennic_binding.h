#pragma once
// How the viewer judges the image file library's results and checks its
// version at start.
#include <cstdint>
#include <optional>
#include <string>

namespace viewer {

// A library call succeeded when the low byte of its result is 0.
inline bool LibrarySucceeded(int32_t result) { return (result & 0xFF) == 0; }
// The low byte of a result in decimal.
std::string ErrorCodeText(int32_t result);
// "Error " + code + context + the library's sentence for the whole result;
// without a sentence the code and context alone.
std::string LibraryErrorText(int32_t result, const std::string& context);
// Shows LibraryErrorText in an error box with the button Abort.
void ShowLibraryError(int32_t result, const std::string& context);

// The name the library creates a file of the type under: the name with the
// type's default extension when it has none (.raw, .bmp, .tif, else .qew).
std::string WrittenFileName(const std::string& name, uint32_t type);

// The message for a library version other than major 4, minor 1 or later;
// nullopt when the version is accepted.
std::optional<std::string> VersionMismatchText(uint32_t version);
// Checks the loaded library's version; on a mismatch shows the message with
// the button Cancel and returns false (the program is to end).
bool CheckLibraryVersion(uint32_t version);
bool CheckLibraryVersion();

}  // namespace viewer
