#include "viewer/forms/about_image_form.h"

#include <string_view>

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTimeZone>
#include <QVBoxLayout>

#include "viewer/core/image.h"
#include "viewer/core/names.h"
#include "viewer/forms/about_fields.h"

namespace viewer {
namespace {

// Milliseconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kFileTimeEpochMs = 11644473600000ll;

// The format without its time-zone fields ("t" outside quotes) and the
// blanks before them.
QString WithoutZone(const QString& format) {
  QString out;
  bool quoted = false;
  for (int i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('t')) {
      while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
      while (i + 1 < format.size() && out.isEmpty() && format[i + 1].isSpace()) ++i;
      continue;
    }
    out += c;
  }
  return out.trimmed();
}

QString Text(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

// The name after its last folder separator ("/" or "\").
std::string WithoutFolder(const std::string& name) {
  const size_t cut = name.find_last_of("/\\");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

QString FlipText(const ScanInfo& info) {
  if (info.flipHorizontal && info.flipVertical) return QStringLiteral("Horizontal and Vertical");
  if (info.flipHorizontal) return QStringLiteral("Horizontal");
  if (info.flipVertical) return QStringLiteral("Vertical");
  return QStringLiteral("(none)");
}

}  // namespace

QString TimeStampText(const FileTime& time, const QLocale& locale) {
  const uint64_t ticks = (uint64_t{time.high} << 32) | time.low;
  const int64_t ms = static_cast<int64_t>(ticks / 10000) - kFileTimeEpochMs;
  const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
  QString text = locale.toString(when.date(), QLocale::ShortFormat);
  if (when.time() != QTime(0, 0))
    text += QLatin1Char(' ') + locale.toString(when.time(), WithoutZone(locale.timeFormat(QLocale::LongFormat)));
  return text;
}

TAboutImageForm::TAboutImageForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About the Image"));
  auto group = [](const char* title, std::initializer_list<std::pair<const char*, const char*>> rows) {
    auto* box = new QGroupBox(QString::fromLatin1(title));
    auto* grid = new QGridLayout(box);
    int row = 0;
    for (const auto& [label, name] : rows) AddField(grid, row++, label, name, std::string_view(name) == "FIName");
    return box;
  };
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group("File", {{"File Name", "FIName"}, {"Type", "FIType"}, {"Memory", "FIMemory"}}));
  layout->addWidget(group("Scan Information", {{"Source", "SISource"},
                                               {"TimeStamp", "SITime"},
                                               {"Origin", "SIOrigin"},
                                               {"Size", "SISize"},
                                               {"Resolution", "SIResolution"},
                                               {"Orientation", "SIOrientation"},
                                               {"Flip", "SIFlip"},
                                               {"Disk Size", "SIMemory"}}));
  layout->addWidget(
      group("Image Information",
            {{"Sampling", "IISampling"}, {"Size", "IISize"}, {"Range", "IIRange"}, {"Memory", "IIMemory"}}));
  layout->addWidget(CloseButtonRow(this));
}

void TAboutImageForm::Fill(const CImage& image) {
  auto set = [this](const char* name, const QString& text) {
    findChild<QLabel*>(QString::fromLatin1(name))->setText(text);
  };
  const std::string name = image.FileName();
  setWindowTitle(QStringLiteral("About ") + Text(WithoutFolder(name)));
  set("FIName", Text(name));
  set("FIType", QString::fromLatin1(FileTypeName(image.FileType())));
  set("FIMemory", Text(SizeText(name.size() + 1)));

  const ScanInfo& info = image.GetScanInfo();
  set("SISource", QString::fromLatin1(SourceName(info.source)));
  set("SITime", TimeStampText(info.timestamp));
  set("SIOrigin", Text(PointText(info.originX, info.originY)));
  set("SISize", Text(PointText(info.width, info.height)));
  set("SIResolution", info.resolutionX || info.resolutionY
                          ? QStringLiteral("%1 by %2 pixels per meter").arg(info.resolutionX).arg(info.resolutionY)
                          : QStringLiteral("(unknown)"));
  set("SIOrientation", QString::fromLatin1(OrientationName(info.orientation)));
  set("SIFlip", FlipText(info));
  set("SIMemory", Text(SizeText(uint64_t{info.width} * info.height * 2)));

  const uint32_t n = image.Sampling();
  set("IISampling",
      n < 2 ? QStringLiteral("(no pixel subsampling)") : QStringLiteral("%1x%1 merged to form each pixel").arg(n));
  set("IISize", Text(PointText(image.StoredWidth(), image.StoredHeight())));
  set("IIRange", QStringLiteral("%1 through %2").arg(image.MinTone()).arg(image.MaxTone()));
  set("IIMemory", Text(SizeText(uint64_t{image.StoredWidth()} * image.StoredHeight() * 2)));
}

}  // namespace viewer
