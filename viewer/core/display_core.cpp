#include "viewer/core/display_core.h"

#include <algorithm>
#include <limits>

#include "viewer/core/settings.h"

namespace viewer {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t ToInt32(int64_t v) {
  return static_cast<int32_t>(Clamp<int64_t>(std::numeric_limits<int32_t>::min(), v, kInt32Max));
}

// Floor division for a positive divisor.
int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return q;
}

int32_t Ramp(int32_t i, int32_t c, int32_t w, int32_t h) {
  if (w == 0 || i < c - w) return 0;
  if (i <= c) return (i - c + w) * h / w;
  if (i < c + w) return (c + w - i) * h / w;
  return 0;
}

uint32_t PseudoColour(int32_t i, const ColorInfo& info) {
  auto channel = [&](int k) {
    return static_cast<uint32_t>(Ramp(i, info[3 * k], info[3 * k + 1], info[3 * k + 2])) & 0xFF;
  };
  return (channel(0) << 16) | (channel(1) << 8) | channel(2);
}

}  // namespace

void BuildColorTable(EMapping mapping, const ColorInfo& info, ColorTable& table) {
  switch (mapping) {
    case mPositive:
      for (uint32_t i = 0; i < 256; ++i) table[i] = i * 0x010101u;
      break;
    case mNegative:
      for (uint32_t i = 0; i < 256; ++i) table[i] = (255 - i) * 0x010101u;
      break;
    case mPositiveColor:
      for (int32_t i = 0; i < 256; ++i) table[i] = PseudoColour(i, info);
      break;
    case mNegativeColor:
      for (int32_t j = 0; j < 256; ++j) table[255 - j] = PseudoColour(j, info);
      break;
    default: break;
  }
}

void BuildToneTable(uint16_t low, uint16_t high, ToneTable& table) {
  if (high < low) std::swap(low, high);
  std::fill(table.begin(), table.begin() + low, uint8_t{0});
  // Round(x * 255 / n), ties to even, in exact integer arithmetic.
  const uint32_t n = static_cast<uint32_t>(high) - low + 1;
  for (uint32_t t = low; t <= high; ++t) {
    const uint32_t num = (t - low) * 255u;
    uint32_t q = num / n;
    const uint32_t twice = 2 * (num % n);
    if (twice > n || (twice == n && (q & 1))) ++q;
    table[t] = static_cast<uint8_t>(q);
  }
  std::fill(table.begin() + high + 1, table.end(), uint8_t{255});
}

namespace {

// The largest difference of one channel.
int ChannelDifference(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    most = std::max(most, d < 0 ? -d : d);
  }
  return most;
}

}  // namespace

uint32_t OverlayColour(uint32_t pen, uint32_t under) {
  constexpr int kVisible = 64;
  pen &= 0xFFFFFF;
  under &= 0xFFFFFF;
  const uint32_t masked = under & ~pen & 0xFFFFFF;
  if (ChannelDifference(masked, under) >= kVisible) return masked;
  const uint32_t lifted = under | pen;
  if (ChannelDifference(lifted, under) >= kVisible) return lifted;
  const int luma = (299 * ((under >> 16) & 0xFF) + 587 * ((under >> 8) & 0xFF) + 114 * (under & 0xFF)) / 1000;
  return luma < 128 ? 0xFFFFFF : 0x000000;
}

uint8_t TransformCode(int32_t orientation, uint8_t flipHorizontal, uint8_t flipVertical) {
  static constexpr uint8_t kCodes[4][4] = {
      {0, 1, 2, 3},  // North: none, horizontal, vertical, both
      {5, 4, 7, 6},  // East
      {3, 2, 1, 0},  // South
      {6, 7, 4, 5},  // West
  };
  const int row = (orientation >= 0 && orientation <= 3) ? orientation : 0;
  const int column = (flipHorizontal ? 1 : 0) + (flipVertical ? 2 : 0);
  return kCodes[row][column];
}

DisplayCore::DisplayCore(const ViewerSettings& settings) : settings_(&settings) {
  BuildColorTable(mapping_, colorInfo_, colors_);
  BuildToneTable(0, 0, tones_);
}

int32_t DisplayCore::ToneRange() const { return std::max(1, maxTone_ - minTone_ + 1); }

int32_t DisplayCore::EffectiveMaxScale() const { return std::max<int32_t>(1, settings_->maxScale); }

unsigned DisplayCore::SetData(const ImageRecord& data) {
  data_ = data;
  if (!data_.pixels) {
    data_ = ImageRecord{};
    width_ = height_ = 0;
    minTone_ = maxTone_ = 0;
  } else {
    width_ = ToInt32(data.width);
    height_ = ToInt32(data.height);
    minTone_ = data.minTone;
    maxTone_ = data.maxTone;
  }
  unsigned events = SetWindow(PackTones(minTone_, maxTone_));
  return events | Reorient();
}

unsigned DisplayCore::SetOrientation(int32_t orientation, uint8_t flipHorizontal, uint8_t flipVertical) {
  transform_ = TransformCode(orientation, flipHorizontal, flipVertical);
  return Reorient();
}

unsigned DisplayCore::Reorient() {
  orientedWidth_ = transform_ >= 4 ? height_ : width_;
  orientedHeight_ = transform_ >= 4 ? width_ : height_;
  return FitWhole() | kEventData;
}

unsigned DisplayCore::SetMapping(EMapping mapping) {
  if (mapping == mapping_) return 0;
  mapping_ = mapping;
  BuildColorTable(mapping_, colorInfo_, colors_);
  return kEventColor;
}

unsigned DisplayCore::SetColorInfo(const ColorInfo& info) {
  colorInfo_ = info;
  BuildColorTable(mapping_, colorInfo_, colors_);
  return kEventColor;
}

unsigned DisplayCore::SetWindow(uint32_t window) {
  uint16_t low = window & 0xFFFF;
  uint16_t high = window >> 16;
  OrderWordPair(low, high);
  if (low == windowLow_ && high == windowHigh_) return 0;
  windowLow_ = low;
  windowHigh_ = high;
  WindowToPercent();
  return BuildLut();
}

void DisplayCore::WindowToPercent() {
  const int32_t r = ToneRange();
  contrast_ = 100 - (windowHigh_ - windowLow_ + 1) * 100 / r;
  brightness_ = 100 - ((windowHigh_ + windowLow_) / 2 - minTone_) * 100 / r;
}

unsigned DisplayCore::SetContrast(int32_t contrast) {
  if (contrast == contrast_) return 0;
  contrast_ = contrast;
  return ApplyPercent();
}

unsigned DisplayCore::SetBrightness(int32_t brightness) {
  if (brightness == brightness_) return 0;
  brightness_ = brightness;
  return ApplyPercent();
}

unsigned DisplayCore::ApplyPercent() {
  const int64_t r = ToneRange();
  // A window is never empty: at least one tone wide.
  const int64_t width = std::max<int64_t>(1, r * (100 - int64_t{contrast_}) / 100);
  const int64_t low = minTone_ + r * (100 - int64_t{brightness_}) / 100 - width / 2;
  windowLow_ = static_cast<uint16_t>(Clamp<int64_t>(0, low, 65535));
  windowHigh_ = static_cast<uint16_t>(Clamp<int64_t>(0, low + width - 1, 65535));
  return BuildLut();
}

unsigned DisplayCore::BuildLut() {
  BuildToneTable(windowLow_, windowHigh_, tones_);
  needsRender_ = true;
  return kEventLut;
}

unsigned DisplayCore::ViewChanged() {
  needsRender_ = true;
  return kEventView;
}

unsigned DisplayCore::SetScale(int32_t scale) {
  if (IsEmpty() || scale == scale_) return 0;
  if (scale == -1 || scale == 0) scale = scale_ <= 0 ? 1 : -2;
  scale = std::min(scale, EffectiveMaxScale());
  // Reduced no further than one pixel for the whole picture, so that no page
  // size or coordinate product overflows.
  scale = std::max(scale, MinScale());
  scale_ = scale;
  return ViewChanged();
}

int32_t DisplayCore::FitScale(int64_t width, int64_t height) const {
  const int64_t cw = clientWidth_, ch = clientHeight_;
  if (cw <= 0 || ch <= 0 || width <= 0 || height <= 0) return scale_;  // nothing to fit into
  if (cw < width || ch < height) {
    // Smallest k >= 2 with k * cw >= width and k * ch >= height.
    const int64_t k = std::max({int64_t{2}, (width + cw - 1) / cw, (height + ch - 1) / ch});
    return ToInt32(-k);
  }
  return ToInt32(std::min(cw / width, ch / height));
}

unsigned DisplayCore::FitWhole() {
  halfX_ = halfY_ = false;
  if (IsEmpty()) {
    scale_ = 1;
    centreX_ = centreY_ = 0;
    return ViewChanged();
  }
  scale_ = FitScale(orientedWidth_, orientedHeight_);
  centreX_ = orientedWidth_ / 2;
  centreY_ = orientedHeight_ / 2;
  // An odd count of pixels has a middle pixel: its block is centred, so
  // that the picture is not shifted by half a block past the client's edge.
  halfX_ = orientedWidth_ % 2 != 0;
  halfY_ = orientedHeight_ % 2 != 0;
  return ViewChanged();
}

unsigned DisplayCore::FitRect(Rect image) {
  if (IsEmpty()) return 0;
  int64_t x1 = image.left, y1 = image.top, x2 = image.right, y2 = image.bottom;
  ImageToDisplay(x1, y1);
  ImageToDisplay(x2, y2);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  // The part of the rectangle on the picture is fitted; its middle is the
  // centre (the middle pixel's block centred for an odd count), so every
  // pixel of it is on screen.
  auto fitAxis = [](int64_t a, int64_t b, int64_t size, int64_t& count, int32_t& centre, bool& half) {
    const int64_t first = std::max<int64_t>(a, 0), last = std::min<int64_t>(b, size - 1);
    count = Clamp<int64_t>(0, last - first + 1, size);
    // A rectangle off the picture: its middle kept on the picture.
    const int64_t middle = count > 0 ? first + count / 2 : (a + b) / 2;
    centre = ToInt32(Clamp<int64_t>(0, middle, size - 1));
    half = count % 2 != 0;
  };
  int64_t width = 0, height = 0;
  fitAxis(x1, x2, orientedWidth_, width, centreX_, halfX_);
  fitAxis(y1, y2, orientedHeight_, height, centreY_, halfY_);
  scale_ = FitScale(width, height);
  return ViewChanged();
}

unsigned DisplayCore::SetClientSize(int32_t width, int32_t height) {
  clientWidth_ = std::max(0, width);
  clientHeight_ = std::max(0, height);
  return ViewChanged();
}

void DisplayCore::DisplayToImage(int64_t& u, int64_t& v) const {
  if (transform_ & 1) u = orientedWidth_ - u - 1;
  if (transform_ == 2 || transform_ == 3 || transform_ == 6 || transform_ == 7) v = orientedHeight_ - v - 1;
  if (transform_ >= 4) std::swap(u, v);
}

void DisplayCore::ImageToDisplay(int64_t& x, int64_t& y) const {
  if (transform_ == 1 || transform_ == 3 || transform_ == 6 || transform_ == 7) x = width_ - x - 1;
  if (transform_ == 2 || transform_ == 3 || transform_ == 5 || transform_ == 7) y = height_ - y - 1;
  if (transform_ >= 4) std::swap(x, y);
}

Point DisplayCore::GetCentre() const {
  if (IsEmpty()) return {0, 0};
  int64_t u = centreX_, v = centreY_;
  DisplayToImage(u, v);
  return {ToInt32(u), ToInt32(v)};
}

unsigned DisplayCore::SetCentre(Point image) {
  if (IsEmpty()) return 0;
  int64_t u = image.x, v = image.y;
  ImageToDisplay(u, v);
  if (u == centreX_ && v == centreY_) return 0;
  centreX_ = ToInt32(Clamp<int64_t>(0, u, orientedWidth_ - 1));
  centreY_ = ToInt32(Clamp<int64_t>(0, v, orientedHeight_ - 1));
  halfX_ = halfY_ = false;
  return ViewChanged();
}

void DisplayCore::ScreenToImage(Point& p, Point* side) const {
  if (side) *side = {0, 0};
  if (IsEmpty()) {
    p = {0, 0};
    return;
  }
  auto toDisplay = [&](int64_t client, int64_t size, int64_t centre, bool half) {
    const int64_t d = client - size / 2 + BlockShift(half);
    return scale_ < 0 ? centre + d * -int64_t{scale_} : centre + FloorDiv(d, scale_);
  };
  int64_t u = toDisplay(p.x, clientWidth_, centreX_, halfX_);
  int64_t v = toDisplay(p.y, clientHeight_, centreY_, halfY_);
  DisplayToImage(u, v);
  if (side) {
    auto beyond = [](int64_t at, int64_t size) { return at < 0 ? -1 : at > size - 1 ? 1 : 0; };
    *side = {beyond(u, width_), beyond(v, height_)};
  }
  p.x = ToInt32(Clamp<int64_t>(0, u, std::max(0, width_ - 1)));
  p.y = ToInt32(Clamp<int64_t>(0, v, std::max(0, height_ - 1)));
}

void DisplayCore::ImageToScreen(Point& p) const {
  if (IsEmpty()) {
    p = {0, 0};
    return;
  }
  int64_t u = p.x, v = p.y;
  ImageToDisplay(u, v);
  auto toClient = [&](int64_t d, int64_t size, int64_t centre, bool half) {
    if (scale_ >= 1) return (d - centre) * scale_ + scale_ / 2 + size / 2 - BlockShift(half);
    return (d - centre) / -int64_t{scale_} + size / 2;
  };
  p.x = ToInt32(toClient(u, clientWidth_, centreX_, halfX_));
  p.y = ToInt32(toClient(v, clientHeight_, centreY_, halfY_));
}

ScrollBarState DisplayCore::ScrollBar(ScrollAxis axis) const {
  const bool horizontal = axis == ScrollAxis::Horizontal;
  const int64_t client = horizontal ? clientWidth_ : clientHeight_;
  const int64_t oriented = horizontal ? orientedWidth_ : orientedHeight_;
  ScrollBarState bar;
  if (scale_ < 0) {
    bar.page = -int64_t{scale_} * client;
  } else {
    // Round(client / s), ties to even.
    const int64_t q = client / scale_, twice = 2 * (client % scale_);
    bar.page = q + ((twice > scale_ || (twice == scale_ && (q & 1))) ? 1 : 0);
  }
  bar.maximum = IsEmpty() ? 0 : bar.page + oriented;
  bar.position = horizontal ? centreX_ : centreY_;
  return bar;
}

void DisplayCore::Scroll(ScrollAxis axis, ScrollCode code, int64_t track) {
  const bool horizontal = axis == ScrollAxis::Horizontal;
  int32_t& centre = horizontal ? centreX_ : centreY_;
  const int64_t oriented = horizontal ? orientedWidth_ : orientedHeight_;
  const ScrollBarState bar = ScrollBar(axis);
  int64_t c = centre;
  switch (code) {
    case ScrollCode::LineBack: c -= 1; break;
    case ScrollCode::LineForward: c += 1; break;
    case ScrollCode::PageBack: c -= bar.page / 2; break;
    case ScrollCode::PageForward: c += bar.page / 2; break;
    case ScrollCode::Thumb: c = track; break;
    case ScrollCode::Start: c = 0; break;
    case ScrollCode::End: c = oriented - 1; break;
  }
  centre = ToInt32(Clamp<int64_t>(0, c, std::max<int64_t>(0, oriented - 1)));
  (horizontal ? halfX_ : halfY_) = false;
  needsRender_ = true;
}

int64_t DisplayCore::BlockShift(bool half) const { return half && scale_ >= 1 ? scale_ / 2 : 0; }

void DisplayCore::PlaceAxis(int64_t client, int64_t oriented, int64_t centre, int32_t scale, int64_t shift,
                            int32_t& srcStart, int32_t& srcSize, int32_t& dstStart, int32_t& dstSize) {
  int64_t src = 0, size, dst;
  if (scale < 0) {
    const int64_t k = -int64_t{scale};
    // Display pixels 0, k, 2k, ...: a last partial step is shown too, so a
    // picture narrower than k is not left out.
    size = (oriented + k - 1) / k;
    dst = client / 2 - centre / k;
    if (dst < 0) {
      src = -dst;
      size += dst;
      dst = 0;
    }
    if (dst + size > client) size = client - dst;
    size = std::max<int64_t>(0, size);
    dstSize = ToInt32(size);
  } else {
    const int64_t s = scale;
    size = oriented;
    dst = client / 2 - centre * s - shift;
    if (dst < -s) {
      src = -dst / s;
      size = oriented - src;
      dst += src * s;
    }
    if (size * s + dst >= client + s) size = (client + s - dst - 1) / s;
    size = std::max<int64_t>(0, size);
    dstSize = ToInt32(size * s);
  }
  srcStart = ToInt32(src);
  srcSize = ToInt32(size);
  dstStart = ToInt32(dst);
}

void DisplayCore::SizeBuffer() {
  // The margin covers a partly shown block on each side (bounded, so a
  // stray setting cannot ask for gigabytes; larger needs grow the buffer).
  const int64_t margin = 2 * std::min<int64_t>(EffectiveMaxScale(), 256);
  const int64_t w = (int64_t{bufferScreen_.x} + margin + 3) & ~int64_t{3};
  const int64_t h = int64_t{bufferScreen_.y} + margin;
  const size_t size = static_cast<size_t>(w * h);
  if (buffer_.size() < size) buffer_.resize(size);
}

void DisplayCore::Render(int32_t screenWidth, int32_t screenHeight) {
  needsRender_ = false;
  // The screen of the first render sizes the buffer; a scale limit raised
  // since then grows it, so no zoom renders past it.
  if (!bufferAllocated_) {
    bufferScreen_ = {std::max(0, screenWidth), std::max(0, screenHeight)};
    bufferAllocated_ = true;
  }
  SizeBuffer();
  if (IsEmpty()) return;

  PlaceAxis(clientWidth_, orientedWidth_, centreX_, scale_, BlockShift(halfX_), source_.x, source_.width,
            destination_.x, destination_.width);
  PlaceAxis(clientHeight_, orientedHeight_, centreY_, scale_, BlockShift(halfY_), source_.y, source_.height,
            destination_.y, destination_.height);

  const int64_t stride = BitmapStride();
  const size_t needed = static_cast<size_t>(stride * source_.height);
  if (buffer_.size() < needed) buffer_.resize(needed);  // a client larger than the screen
  if (needed == 0) return;

  // Image index of display point (u, v) is base + u * stepU + v * stepV.
  const int64_t w = width_;
  int64_t u0 = 0, v0 = 0;
  DisplayToImage(u0, v0);
  const int64_t base = v0 * w + u0;
  int64_t u1 = 1, v1 = 0;
  DisplayToImage(u1, v1);
  const int64_t stepU = (v1 * w + u1) - base;
  int64_t u2 = 0, v2 = 1;
  DisplayToImage(u2, v2);
  const int64_t stepV = (v2 * w + u2) - base;

  const int64_t k = scale_ < 0 ? -int64_t{scale_} : 1;
  const uint16_t* pixels = data_.pixels.get();
  const uint8_t* lut = tones_.data();
  const int64_t rowStepU = stepU * k;
  for (int32_t i = 0; i < source_.height; ++i) {
    uint8_t* out = buffer_.data() + i * stride;
    const uint16_t* p = pixels + base + (int64_t{source_.y} + i) * k * stepV + int64_t{source_.x} * k * stepU;
    const int32_t n = source_.width;
    if (rowStepU == 1) {
      for (int32_t j = 0; j < n; ++j) out[j] = lut[p[j]];
    } else {
      for (int32_t j = 0; j < n; ++j) out[j] = lut[p[j * rowStepU]];
    }
    for (int64_t j = n; j < stride; ++j) out[j] = 0;
  }
}

}  // namespace viewer
