#pragma once
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// User-interface hooks of the driver: message boxes and the scan-mode
// selection dialog go through one replaceable handler. The default handler
// writes to the console (standard error) and asks only when standard input is
// a terminal, so it never blocks a test; tests install a RecordingUi.
namespace platform {

// Message box styles and answers (the Windows numbers).
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbTaskModal = 0x2000;
constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// A modal choice among entries (for the scan-mode dialog: "&1: name", ...).
struct ModeDialogRequest {
  std::string caption;
  std::vector<std::string> texts;  // the dialog's fixed texts, in order
  std::vector<std::string> entries;  // one radio button each
};

class UiHandler {
 public:
  virtual ~UiHandler() = default;
  // Returns kIdOk, kIdYes or kIdNo.
  virtual int MessageBox(std::string_view text, std::string_view caption, unsigned style) = 0;
  // Returns the chosen entry, 1-based; 0 when no choice could be made.
  virtual int ModeDialog(const ModeDialogRequest& request) = 0;
};

// Installs the handler (not owned); nullptr restores the console handler.
// Returns the previous one.
UiHandler* SetUiHandler(UiHandler* handler);

int MessageBox(std::string_view text, std::string_view caption, unsigned style);
int ShowModeDialog(const ModeDialogRequest& request);

// Prints boxes and dialogs to standard error; reads an answer from standard
// input only when it is a terminal, else answers kIdOk (kIdNo for a yes/no
// box) and 0 for the dialog.
class ConsoleUi : public UiHandler {
 public:
  int MessageBox(std::string_view text, std::string_view caption, unsigned style) override;
  int ModeDialog(const ModeDialogRequest& request) override;
};

// Records every box and dialog and answers from scripted queues (kIdOk and 0
// once a queue is empty). Installs itself for its lifetime.
class RecordingUi : public UiHandler {
 public:
  struct Box {
    std::string text, caption;
    unsigned style;
  };
  RecordingUi();
  ~RecordingUi() override;
  RecordingUi(const RecordingUi&) = delete;
  RecordingUi& operator=(const RecordingUi&) = delete;

  int MessageBox(std::string_view text, std::string_view caption, unsigned style) override;
  int ModeDialog(const ModeDialogRequest& request) override;

  std::vector<Box> boxes;
  std::vector<ModeDialogRequest> dialogs;
  std::deque<int> box_answers;
  std::deque<int> dialog_answers;

 private:
  UiHandler* previous_;
};

}  // namespace platform
