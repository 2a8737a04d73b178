#pragma once
// What tests see of the stand-in libraries: a log of the calls they made,
// switches that make a named call fail, scripted answers, and counters of
// live objects.
// Shared by every stand-in through libmwsystem.so. Recording is off until a
// test turns it on, so a program that only uses the stand-ins keeps nothing
// per call.
#include <string>
#include <vector>

namespace mwsys {

// Call names are "<library>.<entry>" ("mwkernel.110", "mwcolor.M_ClrInit(7,0)").
// RecordCall keeps the name only while recording is on.
void SetRecording(bool on);
bool Recording();
void RecordCall(const std::string& call);
std::vector<std::string> RecordedCalls();
void ClearRecordedCalls();

void SetFailing(const std::string& call, bool failing = true);
bool IsFailing(const std::string& call);
// Records the call; false when it is set failing.
bool RecordCallPasses(const std::string& call);
void ClearFailing();

// A test is looking: recording is on, or a call is set failing or scripted.
// Stand-ins build call names only then.
bool Watched();
// "<library>.<ordinal>" through RecordCallPasses while watched; true otherwise.
bool OrdinalCallPasses(const char* library, int ordinal);

// Scripted answers: the bytes a stand-in gives for a call instead of its own.
void SetScriptedAnswer(const std::string& call, const std::vector<unsigned char>& bytes);
// False when none is set; the answer stays until cleared.
bool ScriptedAnswer(const std::string& call, std::vector<unsigned char>* bytes);
void ClearScriptedAnswers();

void AddToCounter(const std::string& counter, int delta);
int Counter(const std::string& counter);

}  // namespace mwsys
