#pragma once
// The display control's state and arithmetic without any window: tone window
// and tone table, colour tables, orientation transforms, integer zoom, the
// scroll model and rendering the visible part into an 8-bit indexed bitmap.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "viewer/core/image_record.h"
#include "viewer/core/names.h"
#include "viewer/core/settings.h"

namespace viewer {

enum EMapping : uint8_t {
  mPositive = 0,
  mPositiveColor = 1,
  mNegative = 2,
  mNegativeColor = 3,
  mCustom = 4,
};

// Centre, range and intensity of the red ramp, then green, then blue.
using ColorInfo = std::array<uint8_t, 9>;
constexpr ColorInfo kDefaultColorInfo = {127, 64, 255, 63, 64, 255, 191, 64, 255};

// Entries as 0x00RRGGBB (in memory: blue, green, red, 0).
using ColorTable = std::array<uint32_t, 256>;
using ToneTable = std::array<uint8_t, 65536>;

// Rebuilds the colour table for the mapping; mCustom leaves it unchanged.
void BuildColorTable(EMapping mapping, const ColorInfo& info, ColorTable& table);
// Index 0 below the window, 255 above it, rounded to nearest (ties to even)
// inside it.
void BuildToneTable(uint16_t low, uint16_t high, ToneTable& table);
// The colour (0x00RRGGBB) an overlay pen leaves on a pixel: "screen and not
// pen" where that changes the pixel visibly; where it does not (the pixel
// has little of the pen's colour, as black or navy under a yellow pen), the
// pen's colour added to the pixel; where neither shows, black or white,
// whichever lies farther from the pixel. So an overlay shows on every
// background.
uint32_t OverlayColour(uint32_t pen, uint32_t under);
// Transform code 0..7 of an orientation (0 North .. 3 West, others North)
// and the two flips.
uint8_t TransformCode(int32_t orientation, uint8_t flipHorizontal, uint8_t flipVertical);

// Events a state change asks for, fired in this order.
enum DisplayEvent : unsigned {
  kEventLut = 1,  // tone table rebuilt: re-render, invalidate, OnLUTChanged
  kEventView = 2,  // scale or centre: scroll bars, re-render, invalidate, OnViewChange
  kEventData = 4,  // new data or orientation: OnDataChange
  kEventColor = 8,  // colour table rebuilt: invalidate, OnColorChange
};

enum class ScrollAxis { Horizontal, Vertical };
enum class ScrollCode { LineBack, LineForward, PageBack, PageForward, Thumb, Start, End };

struct ScrollBarState {
  int64_t maximum = 0;  // range 0 .. maximum (page + oriented size; 0 without image)
  int64_t page = 0;
  int64_t position = 0;
};

class DisplayCore {
 public:
  // The scale limit is read from settings (maxScale) at each use.
  explicit DisplayCore(const ViewerSettings& settings = DefaultSettings());

  // Each returns the events (DisplayEvent bits) its change asks for.
  unsigned SetData(const ImageRecord& data);
  unsigned SetOrientation(int32_t orientation, uint8_t flipHorizontal, uint8_t flipVertical);
  unsigned SetMapping(EMapping mapping);
  unsigned SetColorInfo(const ColorInfo& info);
  unsigned SetWindow(uint32_t window);
  unsigned SetContrast(int32_t contrast);
  unsigned SetBrightness(int32_t brightness);
  unsigned SetScale(int32_t scale);
  unsigned SetCentre(Point image);
  unsigned FitWhole();
  unsigned FitRect(Rect image);
  // The client area changed size (scale and centre are kept).
  unsigned SetClientSize(int32_t width, int32_t height);
  // A scroll-bar action moves the centre (track: the thumb position for
  // Thumb); the caller sets the bar's position and repaints, no event.
  void Scroll(ScrollAxis axis, ScrollCode code, int64_t track);

  Point GetCentre() const;
  // The image pixel under a client point, clamped into the image; side, when
  // given, says per axis where the point lay: -1 before the first pixel,
  // +1 beyond the last, 0 on the image.
  void ScreenToImage(Point& p, Point* side = nullptr) const;
  void ImageToScreen(Point& p) const;
  ScrollBarState ScrollBar(ScrollAxis axis) const;

  // Rebuilds the bitmap of the visible part when needed. screenWidth and
  // screenHeight size the buffer at the first render.
  void Render(int32_t screenWidth, int32_t screenHeight);

  bool IsEmpty() const { return !data_.pixels; }
  const ViewerSettings& Settings() const { return *settings_; }
  bool NeedsRender() const { return needsRender_; }

  EMapping Mapping() const { return mapping_; }
  const ColorInfo& GetColorInfo() const { return colorInfo_; }
  const ColorTable& Colors() const { return colors_; }
  const ToneTable& Tones() const { return tones_; }
  int32_t ImageWidth() const { return width_; }
  int32_t ImageHeight() const { return height_; }
  uint8_t Transform() const { return transform_; }
  int32_t OrientedWidth() const { return orientedWidth_; }
  int32_t OrientedHeight() const { return orientedHeight_; }
  uint16_t MinTone() const { return minTone_; }
  uint16_t MaxTone() const { return maxTone_; }
  uint16_t WindowLow() const { return windowLow_; }
  uint16_t WindowHigh() const { return windowHigh_; }
  uint32_t Window() const { return PackTones(windowLow_, windowHigh_); }
  int32_t Contrast() const { return contrast_; }
  int32_t Brightness() const { return brightness_; }
  int32_t Scale() const { return scale_; }
  // The least scale: one shown pixel for the picture's longer side.
  int32_t MinScale() const { return -std::max({orientedWidth_, orientedHeight_, 2}); }
  Point Centre() const { return {centreX_, centreY_}; }
  // Client pixels the picture is moved left and up from where the centre
  // pixel's block starts at the client's middle: half a block on an axis
  // where a fit centred an odd count of pixels.
  Point CentreShift() const {
    return {static_cast<int32_t>(BlockShift(halfX_)), static_cast<int32_t>(BlockShift(halfY_))};
  }
  int32_t ClientWidth() const { return clientWidth_; }
  int32_t ClientHeight() const { return clientHeight_; }

  // Client rectangle the bitmap covers, and the bitmap itself.
  struct Placement {
    int32_t x = 0, y = 0, width = 0, height = 0;
  };
  const Placement& Destination() const { return destination_; }
  // Index of the first shown column and row, and the bitmap's size.
  const Placement& Source() const { return source_; }
  const uint8_t* Bitmap() const { return buffer_.data(); }
  int32_t BitmapStride() const { return (source_.width + 3) & ~3; }
  size_t BufferSize() const { return buffer_.size(); }

 private:
  unsigned Reorient();
  unsigned ApplyPercent();
  unsigned BuildLut();
  unsigned ViewChanged();
  void WindowToPercent();
  int32_t ToneRange() const;
  int32_t EffectiveMaxScale() const;
  int32_t FitScale(int64_t width, int64_t height) const;
  void DisplayToImage(int64_t& u, int64_t& v) const;
  void ImageToDisplay(int64_t& x, int64_t& y) const;
  void SizeBuffer();
  // Client pixels the picture moves left (up) so that the centre pixel's
  // block is centred on the client's middle (magnified views only).
  int64_t BlockShift(bool half) const;
  static void PlaceAxis(int64_t client, int64_t oriented, int64_t centre, int32_t scale, int64_t shift,
                        int32_t& srcStart, int32_t& srcSize, int32_t& dstStart, int32_t& dstSize);

  const ViewerSettings* settings_;
  EMapping mapping_ = mPositive;
  ColorInfo colorInfo_ = kDefaultColorInfo;
  ColorTable colors_{};
  ImageRecord data_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint8_t transform_ = 0;
  int32_t orientedWidth_ = 0;
  int32_t orientedHeight_ = 0;
  uint16_t minTone_ = 0;
  uint16_t maxTone_ = 0;
  uint16_t windowLow_ = 0;
  uint16_t windowHigh_ = 0;
  int32_t contrast_ = 0;
  int32_t brightness_ = 0;
  ToneTable tones_{};
  int32_t centreX_ = 0;
  int32_t centreY_ = 0;
  // Set by a fit of an odd count of pixels on that axis: the centre pixel's
  // block is centred on the client's middle instead of starting there.
  bool halfX_ = false;
  bool halfY_ = false;
  int32_t scale_ = 1;
  int32_t clientWidth_ = 0;
  int32_t clientHeight_ = 0;
  std::vector<uint8_t> buffer_;
  bool bufferAllocated_ = false;
  Point bufferScreen_;  // the screen size the buffer was made for
  Placement destination_;
  Placement source_;
  bool needsRender_ = true;
};

}  // namespace viewer
