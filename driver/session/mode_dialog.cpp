#include "driver/session/mode_dialog.h"

#include <algorithm>
#include <string>

#include "driver/config/mode_list.h"
#include "platform/ui.h"

namespace tarvel {
namespace {
constexpr int kMaxDialogModes = 9;
}  // namespace

int Show_ParamDialog(int scanner_type) {
  platform::ModeDialogRequest request;
  request.caption = "Select Intraoral Scan Mode";
  request.texts = {
      "Intraoral Vornix",
      "This scanner can only process intraoral plates. Larger plates can damage the scanner and "
      "void its warranty.",
      "Please select one of the intraoral scan modes below:",
      "Continue",
  };
  const int count = std::min(ParamCount(scanner_type), kMaxDialogModes);
  for (int i = 1; i <= count; ++i) {
    std::string name;
    ParamName(scanner_type, i, name);
    request.entries.push_back(std::string("&").append(std::to_string(i)).append(": ").append(name));
  }
  if (count == 0) return 0;  // nothing to choose: the dialog could never end
  const int choice = platform::ShowModeDialog(request);
  return choice >= 1 && choice <= count ? choice : 0;
}

}  // namespace tarvel
