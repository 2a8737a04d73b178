#include "toolkit/outside/system/standin_control.h"

#include <map>
#include <set>

namespace mwsys {
namespace {

struct Control {
  bool recording = false;
  std::vector<std::string> calls;
  std::set<std::string> failing;
  std::map<std::string, int> counters;
  std::map<std::string, std::vector<unsigned char>> answers;
};

Control& control() {
  static Control* c = new Control;  // outlives every library's unload
  return *c;
}

}  // namespace

void SetRecording(bool on) { control().recording = on; }
bool Recording() { return control().recording; }
void RecordCall(const std::string& call) {
  if (control().recording) control().calls.push_back(call);
}
std::vector<std::string> RecordedCalls() { return control().calls; }
void ClearRecordedCalls() { control().calls.clear(); }

void SetFailing(const std::string& call, bool failing) {
  if (failing) {
    control().failing.insert(call);
  } else {
    control().failing.erase(call);
  }
}
bool IsFailing(const std::string& call) { return control().failing.count(call) != 0; }
void ClearFailing() { control().failing.clear(); }

bool RecordCallPasses(const std::string& call) {
  RecordCall(call);
  return !IsFailing(call);
}

bool Watched() {
  const Control& c = control();
  return c.recording || !c.failing.empty() || !c.answers.empty();
}

bool OrdinalCallPasses(const char* library, int ordinal) {
  if (!Watched()) return true;
  std::string call = library;
  call += '.';
  call += std::to_string(ordinal);
  return RecordCallPasses(call);
}

void SetScriptedAnswer(const std::string& call, const std::vector<unsigned char>& bytes) {
  control().answers[call] = bytes;
}
bool ScriptedAnswer(const std::string& call, std::vector<unsigned char>* bytes) {
  auto it = control().answers.find(call);
  if (it == control().answers.end()) return false;
  if (bytes) *bytes = it->second;
  return true;
}
void ClearScriptedAnswers() { control().answers.clear(); }

void AddToCounter(const std::string& counter, int delta) { control().counters[counter] += delta; }
int Counter(const std::string& counter) {
  auto it = control().counters.find(counter);
  return it == control().counters.end() ? 0 : it->second;
}

}  // namespace mwsys
