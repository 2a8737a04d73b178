#pragma once
// Helpers of the viewer's core tests: recorded error boxes, a scratch folder
// and raw image files (u16 width, u16 height, rows of u16).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "testing/temp_folder.h"
#include "viewer/core/messages.h"

namespace viewer::test {

struct RecordedBox {
  std::string text;
  MessageButton button;
};

// Records the error boxes shown while it lives.
class MessageRecorder {
 public:
  MessageRecorder() {
    previous_ = SetMessageHandler([this](const std::string& text, MessageButton button) {
      boxes.push_back({text, button});
    });
  }
  ~MessageRecorder() { SetMessageHandler(previous_); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;
  std::vector<RecordedBox> boxes;

 private:
  MessageHandler previous_;
};

using testsupport::TempFolder;

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

// A raw file of width x height pixels with value(x, y).
template <typename F>
void WriteRaw(const std::string& path, uint16_t width, uint16_t height, F value) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  const uint16_t header[2] = {width, height};
  std::fwrite(header, 2, 2, f);
  std::vector<uint16_t> row(width);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) row[x] = static_cast<uint16_t>(value(x, y));
    ASSERT_EQ(std::fwrite(row.data(), 2, width, f), width);
  }
  std::fclose(f);
}

}  // namespace viewer::test
