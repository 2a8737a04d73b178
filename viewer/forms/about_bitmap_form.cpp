#include "viewer/forms/about_bitmap_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "viewer/core/names.h"
#include "viewer/core/settings.h"
#include "viewer/forms/about_fields.h"
#include "viewer/widgets/image_viewer.h"

namespace viewer {
namespace {

QString Text(const std::string& s) { return QString::fromLatin1(s.c_str()); }

}  // namespace

TAboutBitmapForm::TAboutBitmapForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About the Bitmap"));
  auto* grid = new QGridLayout;
  const std::pair<const char*, const char*> rows[] = {
      {"Control Size", "ControlSize"},
      {"Screen Size", "ScreenSize"},
      {"Buffer Size", "BufferSize"},
      {"Memory", "Memory"},
      {"Mapping", "Mapping"},
      {"Range", "Range"},
      {"Source Image Size", "SourceSize"},
      {"Organization", "Organization"},
      {"Resulting Size", "ResultingSize"},
      {"Scale Factor", "ScaleFactor"},
      {"Center", "Center"},
      {"Source Rectangle", "SourceRect"},
      {"Destination", "Destination"},
  };
  int row = 0;
  for (const auto& [label, name] : rows) AddField(grid, row++, label, name);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(CloseButtonRow(this));
}

void TAboutBitmapForm::Fill(const TImageViewer& viewer) {
  auto set = [this](const char* name, const QString& text) {
    findChild<QLabel*>(QString::fromLatin1(name))->setText(text);
  };
  const DisplayCore& core = viewer.Core();
  const QSize screen = viewer.ScreenSize();
  const int64_t m = core.Settings().maxScale;
  const int64_t bufferWidth = screen.width() + 2 * m;
  const int64_t bufferHeight = screen.height() + 2 * m;
  set("ScreenSize", Text(SignedPointText(screen.width(), screen.height())));
  set("BufferSize", Text(SignedPointText(static_cast<int32_t>(bufferWidth), static_cast<int32_t>(bufferHeight))));
  set("Memory", Text(SizeText(static_cast<uint64_t>(((bufferWidth + 3) & ~int64_t{3}) * bufferHeight))));
  set("ControlSize", Text(SignedPointText(core.ClientWidth(), core.ClientHeight())));
  if (viewer.IsEmpty()) return;

  set("Mapping", QString::fromLatin1(MappingName(core.Mapping())));
  set("Range", Text(RangeText(core.Window())) + QStringLiteral(" mapped to 0 through 255"));
  set("SourceSize", Text(SignedPointText(core.ImageWidth(), core.ImageHeight())));
  set("Organization", QString::fromLatin1(OrganisationName(core.Transform())));
  set("ResultingSize", Text(SignedPointText(core.OrientedWidth(), core.OrientedHeight())));
  const int32_t s = core.Scale();
  set("ScaleFactor", s < 1 ? QStringLiteral("Each displayed pixel derrived from a %1x%1 block of image pixels").arg(-s)
                           : QStringLiteral("Each image pixel displayed in a %1x%1 block").arg(s));
  const Point centre = viewer.GetCentre();
  set("Center", Text(SignedPointText(centre.x, centre.y)));
  const auto& src = core.Source();
  const auto& dst = core.Destination();
  set("SourceRect", Text(RectText(src.x, src.y, src.width, src.height)));
  set("Destination", Text(RectText(dst.x, dst.y, dst.width, dst.height)));
}

}  // namespace viewer
