// lintra's report of one stored image, on image files made here: the
// extra header as stored, a record that cannot be read, pixels that cannot.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "driver/tarvel_api.h"
#include "testing/temp_folder.h"
#include "tools/console/tests/scripted_terminal.h"
#include "tools/lintra/lintra.h"

using consoletest::ScriptedTerminal;

namespace {

class ImageReport : public ::testing::Test {
 protected:
  // KP000001.QEW of 4 x 2 pixels and its information file with `extra`
  // stored after the record (`extra_length` claimed).
  std::string WriteImage(int32_t extra_length, const std::string& extra, bool whole_pixels = true) {
    const std::string name = tmp_ / "KP000001.QEW";
    const uint16_t pixels[] = {4, 2, 100, 200, 300, 400, 500, 600, 700, 800};
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(pixels), whole_pixels ? sizeof pixels : sizeof pixels - 4);
    ImageInfoFile record{};
    record.size = 108;
    record.width = 4;
    record.height = 2;
    record.pitch_x = 50000;
    record.pitch_y = 49000;
    record.bits_per_pixel = 16;
    record.start_position = 1000;
    record.slot_bits = 0x06;
    record.year = 2026;
    record.month = 3;
    record.day = 7;
    record.hour = 9;
    record.minute = 5;
    record.second = 1;
    std::memcpy(record.serial_number, "VX0000042", 9);
    record.extra_length = extra_length;
    std::ofstream info(tmp_ / "KP000001.txt", std::ios::binary);
    info.write(reinterpret_cast<const char*>(&record), sizeof record);
    info << extra;
    return name;
  }

  testsupport::TempFolder tmp_{"vornix-lintra"};
};

const char* const kRecordLines =
    "    Size:             4 x 2\n"
    "    Resolution:       50000 x 49000\n"
    "    Slots:            06 \n"
    "    Start Position:   1000 \n"
    "    Date:             07.03.2026\n"
    "    Time:             09:05:01\n"
    "    Serial Number:    VX0000042\n";

// Pixels 100..800: after the optimisation they spread over the whole range.
const char* const kStatsLines =
    "    Minimum   = 100\n"
    "    Maximum   = 800\n"
    "    Mean      = 450.000000\n"
    "    Std. Dev  = 229.129\n";

TEST_F(ImageReport, ImageWithoutExtraHeaderHasNoHeaderLines) {
  const std::string name = WriteImage(0, "");
  ScriptedTerminal t;
  lintra::PrintImageInfo(t, name.c_str());
  const std::string head = "Filename: " + name + "\n" + kRecordLines + "    ExtraBytes:       0\n" + kStatsLines;
  ASSERT_EQ(t.output.substr(0, head.size()), head);
  EXPECT_NE(t.output.find("    Minimum*  = 0\n    Maximum*  = 65535\n"), std::string::npos) << t.output;
}

TEST_F(ImageReport, ExtraHeaderPrintedAsStoredNeverBeyond) {
  struct Case {
    int32_t claimed;
    std::string stored;
    const char* lines;
  } cases[] = {
      {6, std::string("hello\0", 6), "    Extra Header:     'hello'\n    Extra Bytes read: 6\n"},
      // No NUL, and fewer bytes stored than claimed: only what was read.
      {40, "ABCDE", "    Extra Header:     'ABCDE'\n    Extra Bytes read: 5\n"},
      {3, "XYZ and more", "    Extra Header:     'XYZ'\n    Extra Bytes read: 3\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    const std::string name = WriteImage(c.claimed, c.stored);
    ScriptedTerminal t;
    lintra::PrintImageInfo(t, name.c_str());
    const std::string want =
        std::string(kRecordLines) + "    ExtraBytes:       " + std::to_string(c.claimed) + "\n" + c.lines + kStatsLines;
    EXPECT_NE(t.output.find(want), std::string::npos) << t.output;
  }
}

TEST_F(ImageReport, UnreadableRecordIsReportedAndSkipped) {
  const std::string name = tmp_ / "KP000009.QEW";
  std::ofstream(name, std::ios::binary) << "not an image";
  std::ofstream(tmp_ / "KP000009.txt", std::ios::binary) << "short";
  ScriptedTerminal t;
  lintra::PrintImageInfo(t, name.c_str());
  EXPECT_EQ(t.output, "Filename: " + name + "\n    Unable to read the image information (-1)\n");
}

TEST_F(ImageReport, PixelsThatCannotBeReadEndTheReportAfterAKey) {
  const std::string name = WriteImage(0, "", false);
  ScriptedTerminal t("k");
  lintra::PrintImageInfo(t, name.c_str());
  EXPECT_EQ(t.KeysLeft(), 0u);
  const std::string tail = "    ExtraBytes:       0\nError ";
  ASSERT_NE(t.output.find(tail), std::string::npos) << t.output;
  EXPECT_NE(t.output.find(" reading image from disk!\n"), std::string::npos);
  EXPECT_EQ(t.output.find("Minimum"), std::string::npos);
}

}  // namespace
