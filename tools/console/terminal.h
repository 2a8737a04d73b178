#pragma once
// The console of the tools: single unechoed keys in, text out. The programs
// use the process's own console; tests use a scripted one.
#include <cstdarg>
#include <string_view>

namespace console {

constexpr int kKeyBackspace = 8;
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;
// What GetKey returns once the input has ended.
constexpr int kKeyEndOfInput = -1;
// A key that sends an escape sequence (cursor, Delete, function keys): one
// key that no prompt takes.
constexpr int kKeySequence = 256;
// How long an Esc waits for a following byte that would make it a sequence.
constexpr int kEscapeWaitMs = 50;

// Esc, or the end of the input (which no further key can follow).
inline bool IsEscape(int key) { return key == kKeyEscape || key == kKeyEndOfInput; }

class Terminal {
 public:
  virtual ~Terminal() = default;
  // Waits for a key: 0..255, kKeySequence, or kKeyEndOfInput.
  virtual int GetKey() = 0;
  // True when GetKey would not wait.
  virtual bool KeyWaiting() = 0;
  virtual void Write(std::string_view text) = 0;

  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// The process's console: standard input through the platform's key
// functions, an escape sequence read whole as kKeySequence (a lone Esc is
// one when no byte follows within kEscapeWaitMs), standard output flushed
// after every write; at the program's end an unfinished last line gets its
// line end.
Terminal& ProcessTerminal();

}  // namespace console
