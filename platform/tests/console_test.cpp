// Key input from standard input when it is not a terminal: raw bytes, then
// the end of input. (The terminal mode is shown by the console programs'
// tests through a pseudo-terminal.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/console.h"

namespace {

class PipedStdin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(fds_), 0);
    saved_ = dup(STDIN_FILENO);
    ASSERT_GE(dup2(fds_[0], STDIN_FILENO), 0);
    close(fds_[0]);
  }
  void TearDown() override {
    if (fds_[1] >= 0) close(fds_[1]);
    dup2(saved_, STDIN_FILENO);
    close(saved_);
  }
  void Send(const std::string& bytes) { ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  void End() {
    close(fds_[1]);
    fds_[1] = -1;
  }
  int fds_[2] = {-1, -1};
  int saved_ = -1;
};

TEST_F(PipedStdin, BytesComeAsTheyAreThenTheEndOfInput) {
  EXPECT_FALSE(platform::KeyWaiting());
  Send(std::string("1\r\x7f\x1b\xff", 5));
  EXPECT_TRUE(platform::KeyWaiting());
  for (int want : {int('1'), 13, 127, 27, 255}) EXPECT_EQ(platform::GetKey(), want);
  EXPECT_FALSE(platform::KeyWaiting());
  End();
  EXPECT_TRUE(platform::KeyWaiting());
  EXPECT_EQ(platform::GetKey(), platform::kEndOfInput);
  platform::RestoreConsole();  // nothing to restore: harmless
}

}  // namespace
