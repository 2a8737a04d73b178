#pragma once
// The region, profile and measurement tools. Each owns its drag (the pressed
// and the current point) and its overlay; the main window routes the display
// control's mouse to the tool that is checked. Every point a tool keeps is a
// full-resolution image coordinate, so what is drawn and what is reported
// come from the same pixels at every zoom.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <memory>

#include "viewer/app/tool_geometry.h"
#include "viewer/core/image.h"
#include "viewer/core/settings.h"

class QPainter;

namespace viewer {

class TImageViewer;

// The full-resolution point of a client point of the display control. A
// point beyond the image is taken at the image's edge pixel on that side.
Point ClientToFull(const TImageViewer& viewer, const CImage& image, Point client);
// The client point at the middle of a full-resolution point's stored pixel.
Point FullToClient(const TImageViewer& viewer, const CImage& image, Point full);

// The display control's canvas while a tool draws: texts plainly in the
// overlay font colour; lines gathered and, when the canvas ends, laid over
// the frame pixel by pixel with the pen's operation (OverlayColour), so each
// line pixel changes once and shows on every background.
class ToolCanvas {
 public:
  // frame is what the painter paints on.
  ToolCanvas(QPainter& painter, QImage& frame, const TImageViewer& viewer, const CImage& image, bool negative);
  ~ToolCanvas();
  ToolCanvas(const ToolCanvas&) = delete;
  ToolCanvas& operator=(const ToolCanvas&) = delete;

  QPainter& Painter() const { return painter_; }
  const CImage& Image() const { return image_; }
  bool Negative() const { return negative_; }
  int ClientWidth() const;
  int ClientHeight() const;
  int TextHeight() const;
  QColor FontColor() const;
  Point ToClient(Point full) const { return FullToClient(viewer_, image_, full); }
  // A line between two full-resolution points, in the pen's colour.
  void Line(Point a, Point b) const;
  // A line between two client points in the given colour.
  void ClientLine(QPoint from, QPoint to, const QColor& colour) const;
  // Text whose top is at (0, y).
  void Text(int y, const QString& text) const;

 private:
  QPainter& painter_;
  QImage& frame_;
  // The lines drawn so far, each pixel in its pen's colour (opaque).
  mutable QImage lines_;
  mutable std::unique_ptr<QPainter> linePainter_;
  const TImageViewer& viewer_;
  const CImage& image_;
  bool negative_;
};

class ImageTool {
 public:
  virtual ~ImageTool() = default;

  bool Dragging() const { return dragging_; }
  Point Pressed() const { return pressed_; }
  Point Current() const { return current_; }

  virtual void Press(Point at);
  // The mouse moved while the drag lasts.
  virtual void Move(Point at) { current_ = at; }
  void Release() { dragging_ = false; }
  virtual void Paint(const ToolCanvas& canvas) const = 0;
  // The image's origin moved by (dx, dy): the kept points follow it.
  virtual void Shift(int32_t dx, int32_t dy);

 protected:
  static Point Shifted(Point p, int32_t dx, int32_t dy) { return {p.x + dx, p.y + dy}; }
  static Rect Shifted(Rect r, int32_t dx, int32_t dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

 private:
  bool dragging_ = false;
  Point pressed_, current_;
};

// The region of interest: every completed drag sets it, whatever tool.
class RegionTool : public ImageTool {
 public:
  Rect Region() const { return region_; }
  void SetRegion(const Rect& region) { region_ = region; }
  void Take(Point p, Point q) { region_ = OrderedRect(p, q); }
  void Paint(const ToolCanvas& canvas) const override;
  void Shift(int32_t dx, int32_t dy) override;

 private:
  Rect region_;
};

// The profile line and its tone range: every completed drag sets it.
class ProfileTool : public ImageTool {
 public:
  // The image whose pixels the line reads (not owned).
  explicit ProfileTool(const CImage& image) : image_(&image) {}
  const ProfileLine& Line() const { return line_; }
  // Line (0, 0)-(0, 0) with the kind kept; its tones are read again from
  // the image now held (none when the point lies outside it), so a new
  // image never shows the tone range of the one before.
  void ClearLine();
  void Take(Point p, Point q, const CImage& image);
  void Paint(const ToolCanvas& canvas) const override;
  void Shift(int32_t dx, int32_t dy) override;

 private:
  const CImage* image_;
  ProfileLine line_;
};

// The measured line follows the drag; its texts use the settings' units.
class MeasurementTool : public ImageTool {
 public:
  explicit MeasurementTool(const ViewerSettings& settings) : settings_(&settings) {}
  Rect Line() const { return line_; }
  void ClearLine() { line_ = Rect{}; }
  void Press(Point at) override;
  void Move(Point at) override;
  void Paint(const ToolCanvas& canvas) const override;
  void Shift(int32_t dx, int32_t dy) override;

 private:
  const ViewerSettings* settings_;
  Rect line_;
};

}  // namespace viewer
