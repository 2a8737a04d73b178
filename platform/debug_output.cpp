#include "platform/debug_output.h"

#include <memory>
#include <mutex>

namespace platform {
namespace {
std::mutex g_lock;
DebugOutputSink g_sink;
}  // namespace

void OutputDebugString(std::string_view text) {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_sink) g_sink(text);
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
  std::lock_guard<std::mutex> g(g_lock);
  std::swap(sink, g_sink);
  return sink;
}

struct DebugOutputCapture::State {
  std::string text;  // guarded by g_lock (the sink runs under it)
};

DebugOutputCapture::DebugOutputCapture() : state_(new State) {
  State* s = state_;
  previous_ = SetDebugOutputSink([s](std::string_view t) { s->text.append(t); });
}

DebugOutputCapture::~DebugOutputCapture() {
  SetDebugOutputSink(std::move(previous_));
  delete state_;
}

std::string DebugOutputCapture::text() const {
  std::lock_guard<std::mutex> g(g_lock);
  return state_->text;
}

}  // namespace platform
