// The colour library as the dialogs load it: handles, parameter block,
// recording and scripted answers.
#include <gtest/gtest.h>

#include <cstring>

#include "toolkit/outside/color/mwcolor.h"
#include "toolkit/outside/system/modules.h"
#include "toolkit/outside/system/standin_control.h"

namespace {

struct ColorLibrary : testing::Test {
  void SetUp() override {
    module = mwsys::LoadLibrary("mwcolor.DLL");
    ASSERT_NE(module, nullptr);
    init = reinterpret_cast<decltype(&M_ClrInit)>(mwsys::GetProcAddress(module, "M_ClrInit"));
    convert = reinterpret_cast<decltype(&M_ClrConvert)>(mwsys::GetProcAddress(module, "M_ClrConvert"));
    release = reinterpret_cast<decltype(&M_ClrFree)>(mwsys::GetProcAddress(module, "M_ClrFree"));
    mwsys::ClearRecordedCalls();
    mwsys::SetRecording(true);
  }
  void TearDown() override {
    mwsys::SetRecording(false);
    mwsys::ClearFailing();
    mwsys::ClearScriptedAnswers();
    mwsys::FreeLibrary(module);
  }
  static void Params(uint8_t (&block)[812], int32_t method) {
    std::memset(block, 0, sizeof block);
    int32_t v = 812;
    std::memcpy(block, &v, 4);
    std::memcpy(block + 4, &method, 4);
    std::memcpy(block + 804, &method, 4);
    v = 8;
    std::memcpy(block + 808, &v, 4);
  }
  mwsys::Module module = nullptr;
  decltype(&M_ClrInit) init = nullptr;
  decltype(&M_ClrConvert) convert = nullptr;
  decltype(&M_ClrFree) release = nullptr;
};

}  // namespace

TEST_F(ColorLibrary, ConvertsThroughHandlesAndRecords) {
  uint8_t params[812];
  Params(params, 1);
  const int bad = mwsys::Counter("mwcolor.bad_params");
  const int live = mwsys::Counter("mwcolor.handles");
  void* h = nullptr;
  ASSERT_EQ(init(&h, 0, 3, params), 1);
  ASSERT_NE(h, nullptr);
  const uint8_t red[3] = {255, 0, 0};
  uint8_t hsb[3] = {};
  ASSERT_EQ(convert(h, red, hsb, 1, 1, 0, 0), 1);
  EXPECT_EQ(hsb[0], 0);
  EXPECT_EQ(hsb[1], 255);
  EXPECT_EQ(hsb[2], 255);
  EXPECT_EQ(mwsys::Counter("mwcolor.handles"), live + 1);
  EXPECT_EQ(release(h), 1);
  EXPECT_EQ(mwsys::Counter("mwcolor.handles"), live);
  EXPECT_EQ(mwsys::Counter("mwcolor.bad_params"), bad);
  EXPECT_EQ(mwsys::RecordedCalls(),
            (std::vector<std::string>{"mwcolor.M_ClrInit(0,3)", "mwcolor.M_ClrConvert(0,3:255,0,0)",
                                      "mwcolor.M_ClrFree(0,3)"}));
}

TEST_F(ColorLibrary, RecordsOnlyWhileRecordingIsOn) {
  uint8_t params[812];
  Params(params, 1);
  mwsys::SetRecording(false);
  void* h = nullptr;
  ASSERT_EQ(init(&h, 0, 4, params), 1);
  const uint8_t in[3] = {1, 2, 3};
  uint8_t out[3] = {};
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(convert(h, in, out, 1, 1, 0, 0), 1);
  mwsys::SetScriptedAnswer("mwcolor.M_ClrConvert(0,4)", {7, 8, 9});  // still answered
  ASSERT_EQ(convert(h, in, out, 1, 1, 0, 0), 1);
  EXPECT_EQ(out[0], 7);
  EXPECT_TRUE(mwsys::RecordedCalls().empty());
  mwsys::SetRecording(true);
  ASSERT_EQ(convert(h, in, out, 1, 1, 0, 0), 1);
  EXPECT_EQ(release(h), 1);
  EXPECT_EQ(mwsys::RecordedCalls(),
            (std::vector<std::string>{"mwcolor.M_ClrConvert(0,4:1,2,3)", "mwcolor.M_ClrFree(0,4)"}));
}

TEST_F(ColorLibrary, RefusesUnknownPairsAndFailingCalls) {
  uint8_t params[812];
  Params(params, 1);
  void* h = nullptr;
  EXPECT_EQ(init(&h, 3, 4, params), 0);
  EXPECT_EQ(init(&h, 0, 5, params), 0);
  EXPECT_EQ(h, nullptr);
  mwsys::SetFailing("mwcolor.M_ClrInit(7,0)");
  EXPECT_EQ(init(&h, 7, 0, params), 0);
  EXPECT_EQ(h, nullptr);
}

TEST_F(ColorLibrary, CountsUnexpectedParameterBlocks) {
  uint8_t params[812];
  Params(params, 1);  // the CMYK pair wants method 2
  const int bad = mwsys::Counter("mwcolor.bad_params");
  void* h = nullptr;
  ASSERT_EQ(init(&h, 2, 0, params), 1);
  EXPECT_EQ(mwsys::Counter("mwcolor.bad_params"), bad + 1);
  uint8_t in[4] = {}, out[4] = {};
  mwsys::SetScriptedAnswer("mwcolor.M_ClrConvert(2,0)", {1, 2, 3});
  ASSERT_EQ(convert(h, in, out, 2, 1, 0, 0), 1);
  EXPECT_EQ(mwsys::Counter("mwcolor.bad_params"), bad + 2);
  EXPECT_EQ(out[2], 3);
  release(h);
}
