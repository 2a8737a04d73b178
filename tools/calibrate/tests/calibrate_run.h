#pragma once
// What the calibrate tests share: the status line of an image waiting, and
// the end of a run once it does.
#include <gtest/gtest.h>

#include <string>

#include "tools/ptydrive/pty_session.h"

namespace calibratetest {

// Images pending (the last byte of the status word) and the transport stopped.
constexpr const char* kImagesWaiting = "Status = [01]{4}0[01]0[01] [01]{8} [01]{8} 0*1";

inline std::string Calibrate() { return VORNIX_CALIBRATE; }

// Waits for the image, sends `key`, then `answer` when the file is offered
// (none: no file is offered), and "x" to end.
inline void FinishRun(ptydrive::PtySession& run, const char* key, const char* answer) {
  EXPECT_TRUE(run.ExpectRegex(kImagesWaiting)) << run.Unread().substr(0, 400);
  run.Send(key);
  if (answer) {
    EXPECT_TRUE(run.Expect("Set this as the new calibration file? ")) << run.Unread();
    run.Send(answer);
  }
  EXPECT_TRUE(run.Expect("Done.\n\n[Press any key to end]")) << run.Unread();
  run.Send("x");
  EXPECT_EQ(run.Wait(), 'x');
}

}  // namespace calibratetest
