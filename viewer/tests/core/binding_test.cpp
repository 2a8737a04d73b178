#include "viewer/core/fennic_binding.h"

#include <gtest/gtest.h>

#include <vector>

#include "fennic/fennic_api.h"
#include "viewer/core/messages.h"
#include "viewer/tests/core/test_support.h"

namespace viewer {
namespace {

using test::MessageRecorder;

TEST(LibraryVersion, MajorFourMinorOneOrLaterIsAccepted) {
  const struct {
    uint32_t version;
    bool accepted;
  } cases[] = {
      {0x04020003, true},  {0x04010000, true},  {0x04FF0000, true},
      {0x04000009, false}, {0x05020001, false}, {0x03090000, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(!VersionMismatchText(c.version).has_value(), c.accepted) << std::hex << c.version;
}

TEST(LibraryVersion, MismatchShowsTheMessageWithCancel) {
  MessageRecorder recorder;
  EXPECT_FALSE(CheckLibraryVersion(0x05020007));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text,
            "Wrong version of fennic.dll.  It reports version 5.02.7, but version 4.01 or later "
            "is required.");
  EXPECT_EQ(recorder.boxes[0].button, MessageButton::Cancel);

  EXPECT_TRUE(CheckLibraryVersion(0x04010000));
  EXPECT_EQ(recorder.boxes.size(), 1u);
  // The library this viewer is built with.
  EXPECT_TRUE(CheckLibraryVersion());
}

TEST(LibraryResults, LowByteDecides) {
  EXPECT_TRUE(LibrarySucceeded(0));
  EXPECT_TRUE(LibrarySucceeded(0x100));
  EXPECT_TRUE(LibrarySucceeded(-256));
  EXPECT_FALSE(LibrarySucceeded(9));
  EXPECT_EQ(ErrorCodeText(0x1209), "9");
  EXPECT_EQ(ErrorCodeText(-1), "255");
}

TEST(LibraryResults, ErrorTextWithAndWithoutSentence) {
  EXPECT_EQ(LibraryErrorText(9, " trying to load the image.\n\r"),
            "Error 9 trying to load the image.\n\rThere was an error trying to read from the "
            "file.");
  // The library has no sentence for these: the code and context alone.
  EXPECT_EQ(LibraryErrorText(200, " trying to load the image.\n\r"), "Error 200 trying to load the image.\n\r");
  EXPECT_EQ(LibraryErrorText(0x106, " x"), "Error 6 x");
}

}  // namespace
}  // namespace viewer
