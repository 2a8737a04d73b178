#include "viewer/core/messages.h"

#include <cstdio>
#include <utility>

namespace viewer {
namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

}  // namespace

MessageHandler SetMessageHandler(MessageHandler handler) { return std::exchange(Handler(), std::move(handler)); }

void ShowErrorMessage(const std::string& text, MessageButton button) {
  if (Handler()) return Handler()(text, button);
  std::fprintf(stderr, "Error: %s\n", text.c_str());
}

}  // namespace viewer
