#pragma once
// Unechoed key input of the console programs. On a terminal, standard input
// is switched to single keys without echo at the first call (Enter gives 13,
// and so does a line feed, which is what an Enter typed ahead of the switch
// became; the Delete key gives 8; Ctrl-C and Ctrl-\ still interrupt) and put back at exit
// and when SIGINT, SIGTERM, SIGHUP or SIGQUIT ends the program; otherwise
// the bytes of standard input are taken as they come.
namespace platform {

// What GetKey returns when standard input has ended.
constexpr int kEndOfInput = -1;

// Switches the terminal now, before anything is typed (the key functions
// otherwise do it at their first call).
void OpenConsole();
// Waits for one key and returns its code (0..255), or kEndOfInput.
int GetKey();
// True when GetKey would return at once (a key, or the end of input).
bool KeyWaiting();
// Puts the terminal back as it was before the first key call; safe to call
// from a signal handler and more than once.
void RestoreConsole();

}  // namespace platform
