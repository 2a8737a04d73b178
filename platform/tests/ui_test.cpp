#include "platform/ui.h"

#include "platform/debug_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace platform;

TEST(DebugOutput, DroppedUnlessCapturedAndCapturesNest) {
  OutputDebugString("nobody listens\n");
  {
    DebugOutputCapture outer;
    OutputDebugString("a");
    {
      DebugOutputCapture inner;
      OutputDebugString("b");
      EXPECT_EQ(inner.text(), "b");
    }
    OutputDebugString("c");
    EXPECT_EQ(outer.text(), "ac");
  }
  OutputDebugString("dropped again");
}

TEST(Ui, RecordingHandlerAnswersFromItsScriptAndUninstalls) {
  {
    RecordingUi ui;
    ui.box_answers = {kIdYes};
    ui.dialog_answers = {3};
    EXPECT_EQ(MessageBox("Use it?", "Question", kMbYesNo | kMbIconQuestion), kIdYes);
    EXPECT_EQ(MessageBox("Your disk is too full.", "Error - Disk Full", kMbOk | kMbIconError | kMbTaskModal), kIdOk);
    ModeDialogRequest r{"Select Intraoral Scan Mode", {"Intraoral Vornix"}, {"&1: a", "&2: b", "&3: c"}};
    EXPECT_EQ(ShowModeDialog(r), 3);
    EXPECT_EQ(ShowModeDialog(r), 0);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].caption, "Error - Disk Full");
    EXPECT_EQ(ui.boxes[1].style, kMbIconError | kMbTaskModal);
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[0].entries[2], "&3: c");
  }
  // Back to the console handler; standard input is no terminal under ctest.
  if (!isatty(0)) {
    EXPECT_EQ(MessageBox("text", "caption", kMbYesNo), kIdNo);
    EXPECT_EQ(ShowModeDialog({"c", {}, {"&1: a"}}), 0);
  }
}
