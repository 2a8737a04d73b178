#include "platform/ui.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <mutex>

namespace platform {
namespace {
std::mutex g_lock;
ConsoleUi g_console;
UiHandler* g_handler = nullptr;

UiHandler& Current() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_handler ? *g_handler : g_console;
}

bool Interactive() { return ::isatty(STDIN_FILENO) == 1; }
}  // namespace

UiHandler* SetUiHandler(UiHandler* handler) {
  std::lock_guard<std::mutex> g(g_lock);
  UiHandler* previous = g_handler;
  g_handler = handler;
  return previous;
}

int MessageBox(std::string_view text, std::string_view caption, unsigned style) {
  return Current().MessageBox(text, caption, style);
}

int ShowModeDialog(const ModeDialogRequest& request) { return Current().ModeDialog(request); }

int ConsoleUi::MessageBox(std::string_view text, std::string_view caption, unsigned style) {
  bool yes_no = (style & 0xF) == kMbYesNo;
  std::cerr << "[" << caption << "] " << text << "\n";
  if (!yes_no) return kIdOk;
  if (!Interactive()) return kIdNo;
  std::cerr << "(y/n) " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) ? kIdYes : kIdNo;
}

int ConsoleUi::ModeDialog(const ModeDialogRequest& request) {
  std::cerr << "[" << request.caption << "]\n";
  for (const auto& t : request.texts) std::cerr << t << "\n";
  for (size_t i = 0; i < request.entries.size(); ++i) std::cerr << "  " << request.entries[i] << "\n";
  if (!Interactive() || request.entries.empty()) return 0;
  for (;;) {
    std::cerr << "> " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return 0;
    try {
      int choice = std::stoi(answer);
      if (choice >= 1 && size_t(choice) <= request.entries.size()) return choice;
    } catch (...) {}
  }
}

RecordingUi::RecordingUi() : previous_(SetUiHandler(this)) {}
RecordingUi::~RecordingUi() { SetUiHandler(previous_); }

int RecordingUi::MessageBox(std::string_view text, std::string_view caption, unsigned style) {
  boxes.push_back({std::string(text), std::string(caption), style});
  if (box_answers.empty()) return kIdOk;
  int a = box_answers.front();
  box_answers.pop_front();
  return a;
}

int RecordingUi::ModeDialog(const ModeDialogRequest& request) {
  dialogs.push_back(request);
  if (dialog_answers.empty()) return 0;
  int a = dialog_answers.front();
  dialog_answers.pop_front();
  return a;
}

}  // namespace platform
