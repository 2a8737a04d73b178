#pragma once
// Test helpers: a scene of scan lines encoded as the scanner's stream, a
// feeder that reads and flushes the way the session does, file readers,
// image orientation and log capture.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "driver/acquisition/acquisition.h"
#include "driver/tests/acquisition/piece_device.h"
#include "testing/stored_image.h"

namespace acqtest {

namespace fs = std::filesystem;

// Stream units.
inline void PutUnit(std::vector<uint8_t>& s, uint16_t a, uint16_t b) {
  s.push_back(static_cast<uint8_t>(a));
  s.push_back(static_cast<uint8_t>(a >> 8));
  s.push_back(static_cast<uint8_t>(b));
  s.push_back(static_cast<uint8_t>(b >> 8));
}
inline void PutEol(std::vector<uint8_t>& s, uint16_t next_x) { PutUnit(s, 0xFFFE, next_x); }
inline void PutSkip(std::vector<uint8_t>& s, uint16_t n) { PutUnit(s, 0xFFF1, n); }
inline void PutPairs(std::vector<uint8_t>& s, const std::vector<uint16_t>& v) {
  for (size_t i = 0; i + 1 < v.size(); i += 2) PutUnit(s, v[i], v[i + 1]);
}

// Scan lines of `width` pixels; 0 is dark, anything else a lit sample.
struct Scene {
  int width;
  std::vector<std::vector<uint16_t>> lines;
  Scene(int w, int n) : width(w), lines(n, std::vector<uint16_t>(w, 0)) {}
  // Places a plate (rows top first) at column x, line y.
  void Put(int x, int y, int w, int h, const std::vector<uint16_t>& px) {
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c) lines[y + r][x + c] = px[static_cast<size_t>(r) * w + c];
  }
};

// Encodes lit runs the way the scanner sends them: runs of pairs, skip
// markers between runs, an end-of-line marker with the next line's first
// lit pixel (the last pixel index when the next line is dark).
inline std::vector<uint8_t> Encode(const Scene& s) {
  std::vector<uint8_t> out;
  const int last = s.width - 1;
  auto first_lit = [&](size_t i) {
    if (i >= s.lines.size()) return last;
    for (int x = 0; x < s.width; ++x)
      if (s.lines[i][x]) return x;
    return last;
  };
  int cur = 0;
  for (size_t i = 0; i < s.lines.size(); ++i) {
    const auto& line = s.lines[i];
    int x = 0;
    while (x < s.width) {
      if (!line[x]) {
        ++x;
        continue;
      }
      int end = x;
      while (end < s.width && line[end]) ++end;
      if ((end - x) % 2) ++end;  // runs are whole pairs
      if (x != cur) PutSkip(out, static_cast<uint16_t>(x - cur));
      for (int p = x; p < end; p += 2) PutUnit(out, line[p], p + 1 < s.width ? line[p + 1] : 0);
      cur = end;
      x = end;
    }
    cur = first_lit(i + 1);
    PutEol(out, static_cast<uint16_t>(cur));
  }
  return out;
}

// Feeds a stream through the stream poller, as the session polls the
// scanner.
struct Feeder {
  tarvel::Acquisition& acq;
  // The whole stream in pieces of `size` bytes (0: random multiples of 4).
  void All(const std::vector<uint8_t>& s, size_t size, uint32_t seed = 1) {
    std::mt19937 rng(seed);
    PieceDevice device(s.data(), s.size(), [&](size_t) { return size ? size : 4 * (1 + rng() % 3000); });
    tarvel::StreamPoller poller(acq, device);
    PollToEnd(poller, device);
  }
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

using testsupport::ReadStoredImage;
using testsupport::StoredImage;

// Settings of a small test mode: neutral pitches, nothing discarded for size.
inline tarvel::ScanMode SmallMode(int anz_pix = 256) {
  tarvel::ScanMode s;
  s.ADC_Ovs = 12;
  s.plate_type = tarvel::kPlateIntraoral;
  s.mwindow_x = s.mwindow_y = 80;
  s.Anz_Pix = static_cast<uint16_t>(anz_pix);
  s.ADC_SW = 100;
  s.MaxPixVal = 49140;
  s.pitch_x = s.pitch_y = 50e-6;
  s.min_image_pixels = 0;
  s.deflash = 0;
  s.max_aspect_ratio = 3.0;
  for (int k = 0; k < 7; ++k) s.slot_boundaries[k] = k * anz_pix / 6;
  return s;
}

inline std::vector<uint16_t> Phantom(int w, int h, uint32_t seed, uint16_t lo = 101, uint16_t hi = 49139) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(lo, hi);
  std::vector<uint16_t> v(static_cast<size_t>(w) * h);
  for (auto& p : v) p = static_cast<uint16_t>(d(rng));
  return v;
}

// The log lines of an acquisition wired to it (LogTo).
class LogCapture : public tarvel::LogSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

inline tarvel::AcquisitionSeams LogTo(LogCapture& log) {
  tarvel::AcquisitionSeams seams;
  seams.log = &log;
  return seams;
}

// An image in the test's own terms, and the orientation a stored image must
// have: mirrored first, then turned counter-clockwise by quarter turns.
struct Img {
  int w, h;
  std::vector<uint16_t> px;
  uint16_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

// Quarter turns counter-clockwise, one at a time.
inline Img TurnLeft(const Img& a) {
  Img r{a.h, a.w, std::vector<uint16_t>(a.px.size())};
  for (int y = 0; y < r.h; ++y)
    for (int x = 0; x < r.w; ++x) r.px[static_cast<size_t>(y) * r.w + x] = a.at(a.w - 1 - y, x);
  return r;
}
inline Img Oriented(Img a, int rotation, bool mirror) {
  if (mirror)
    for (int y = 0; y < a.h; ++y) std::reverse(a.px.begin() + y * a.w, a.px.begin() + (y + 1) * a.w);
  int turns = ((rotation % 360) + 360) % 360 / 90;
  for (int i = 0; i < turns; ++i) a = TurnLeft(a);
  return a;
}

// DeFlash as the stored image must show it, top row down.
inline void DeFlashOracle(Img& a, int threshold) {
  for (int y = 1; y + 1 < a.h; ++y)
    for (int x = 1; x + 1 < a.w; ++x) {
      uint16_t& v = a.px[static_cast<size_t>(y) * a.w + x];
      int above = a.at(x, y - 1), below = a.at(x, y + 1);
      if (v - above > threshold) v = static_cast<uint16_t>((above + below) / 2);
    }
}

inline int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace acqtest
