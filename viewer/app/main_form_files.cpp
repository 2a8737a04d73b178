// The file flows of the main window: open, open picture, save, save as,
// save region as, close, crop and the test pattern.
#include <QFileInfo>

#include "viewer/app/main_form.h"
#include "viewer/core/file_identity.h"

namespace viewer {
namespace {

const std::vector<FileFilter>& OpenFilters() {
  static const std::vector<FileFilter> filters = {
      {"All Images", "*.qew;*.tif;*.tiff;*.bmp;*.dib;*.raw"},
      {"Brellan Proprietary", "*.qew"},
      {"Tagged Image Format File", "*.tif;*.tiff"},
      {"Brellan Breadboard", "*.bmp;*.dib"},
      {"Raw Image Data", "*.raw"},
      {"All Files", "*.*"},
  };
  return filters;
}

const std::vector<FileFilter>& PictureFilters() {
  static const std::vector<FileFilter> filters = {
      {"All Pictures", "*.bmp"}, {"Bitmaps (*.bmp)", "*.bmp"}, {"All Files", "*.*"}};
  return filters;
}

struct SaveFormat {
  const char* extension;
  uint32_t type;
};
constexpr SaveFormat kSaveFormats[] = {
    {".qew", kFileQew}, {".tif", kFileTiff16}, {".bmp", kFileBreadboard}, {".raw", kFileRaw}};

int FormatIndex(int filterIndex) { return filterIndex >= 1 && filterIndex <= 4 ? filterIndex - 1 : 0; }

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return QString::fromLocal8Bit(a.c_str()).compare(QString::fromLocal8Bit(b.c_str()), Qt::CaseInsensitive) == 0;
}

}  // namespace

const std::vector<FileFilter>& TMainForm::SaveFilters() {
  static const std::vector<FileFilter> filters = {{"Brellan Proprietary ", "*.qew"},
                                                  {"Tagged Image Format File", "*.tif;*.tiff"},
                                                  {"Brellan Breadboard", "*.bmp"},
                                                  {"Raw Data Format", "*.raw"}};
  return filters;
}

QString TMainForm::SaveExtension(int filterIndex) {
  return QString::fromLatin1(kSaveFormats[FormatIndex(filterIndex)].extension);
}

uint32_t TMainForm::SaveFileType(int filterIndex) { return kSaveFormats[FormatIndex(filterIndex)].type; }

std::string TMainForm::AddDefaultExt(const std::string& name, const QString& ext) {
  return AddDefaultExtension(name, ext.toStdString());
}

std::optional<SaveChoice> TMainForm::ChooseSaveName(std::string& name, const SaveGuard& refuse) {
  std::vector<QString> extensions;
  for (int i = 1; i <= 4; ++i) extensions.push_back(SaveExtension(i));
  prompts_->StartIn(ImageFolder());
  std::optional<SaveChoice> choice = prompts_->SaveFile(this, SaveFilters(), extensions);
  if (!choice) return std::nullopt;
  name = AddDefaultExt(choice->name, SaveExtension(choice->filterIndex));
  if (refuse && refuse(*choice, name)) return std::nullopt;
  // The dialog asked about the name as chosen; a name the extension made
  // is asked about here, so no file is replaced unasked.
  if (name != choice->name && QFileInfo::exists(QString::fromLocal8Bit(name.c_str())) &&
      !prompts_->Ask(this, name + " already exists.\nDo you want to replace it?"))
    return std::nullopt;
  return choice;
}

bool TMainForm::SaveOrDropChanges() {
  if (image_.IsEmpty() || !modified_) return true;
  const std::string name = image_.HasFileName() ? image_.FileName() : std::string("the image");
  if (image_.Sampling() != 1)
    return prompts_->Ask(this, "The changes to " + name +
                                   " can not be saved: the image is held at reduced resolution.\n"
                                   "Do you want to discard them?");
  switch (prompts_->AskOrCancel(this, "Do you want to save the changes to " + name + "?")) {
    case Answer::No: return true;
    case Answer::Cancel: return false;
    case Answer::Yes: break;
  }
  if (image_.HasFileName())
    SaveExecute();
  else
    SaveAsExecute();
  return !modified_;
}

std::string TMainForm::ImageFolder() const {
  if (image_.IsEmpty() || !image_.HasFileName()) return {};
  return QFileInfo(QString::fromLocal8Bit(image_.FileName().c_str())).absolutePath().toLocal8Bit().toStdString();
}

void TMainForm::OpenExecute() {
  if (!SaveOrDropChanges()) return;
  prompts_->StartIn(ImageFolder());
  if (std::optional<std::string> name = prompts_->OpenFile(this, OpenFilters())) OpenAccept(*name);
}

void TMainForm::OpenAccept(const std::string& fileName) { OpenFile(fileName, false); }

void TMainForm::OpenFile(const std::string& fileName, bool picture) {
  BeginBusy("Opening " + QString::fromLocal8Bit(fileName.c_str()) + "...");
  ReleaseImage();
  if (picture)
    image_.OpenPicture(fileName);
  else
    image_.Open(fileName);
  ResetView();
  modified_ = false;
  UpdateControls();
  EndBusy();
}

void TMainForm::OpenPictureExecute() {
  if (!SaveOrDropChanges()) return;
  prompts_->StartIn(ImageFolder());
  if (std::optional<std::string> name = prompts_->OpenFile(this, PictureFilters())) OpenPictureAccept(*name);
}

void TMainForm::OpenPictureAccept(const std::string& fileName) { OpenFile(fileName, true); }

void TMainForm::CreateTestPatternExecute() {
  if (!SaveOrDropChanges()) return;
  BeginBusy(QStringLiteral("Creating a test image..."));
  ReleaseImage();
  image_.CreateTestPattern();
  ResetView();
  modified_ = false;
  UpdateControls();
  EndBusy();
}

void TMainForm::ReleaseImage() {
  // The controls share the pixels: closing tells them to let go, so the old
  // pixels are freed before the new ones are read.
  if (!image_.IsEmpty()) image_.Close();
}

bool TMainForm::AcceptLostFacts(uint32_t fileType, const std::string& name) {
  const std::string lost = image_.FactsLostIn(fileType);
  if (lost.empty()) return true;
  const bool several = lost.find(" and ") != std::string::npos;
  return prompts_->Ask(this, name + " can not hold " + lost + " of the image.\nDo you want to save the image without " +
                                 (several ? "them" : "it") + "?");
}

void TMainForm::SaveExecute() {
  if (!AcceptLostFacts(image_.FileType(), image_.FileName())) return;
  BeginBusy("Writing " + QString::fromLocal8Bit(image_.FileName().c_str()) + "...");
  const ScanInfo before = image_.GetScanInfo();
  // A failed write keeps the image marked modified.
  if (image_.Save()) {
    modified_ = false;
    FollowOrigin(before);
  }
  UpdateControls();
  EndBusy();
}

void TMainForm::SaveAsExecute() {
  std::string name;
  if (std::optional<SaveChoice> choice = ChooseSaveName(name)) SaveAsAccept(*choice);
}

void TMainForm::SaveAsAccept(const SaveChoice& choice) {
  const std::string name = AddDefaultExt(choice.name, SaveExtension(choice.filterIndex));
  if (!AcceptLostFacts(SaveFileType(choice.filterIndex), name)) return;
  BeginBusy("Writing " + QString::fromLocal8Bit(choice.name.c_str()) + "...");
  const ScanInfo before = image_.GetScanInfo();
  if (image_.SaveAs(SaveFileType(choice.filterIndex), name)) {
    modified_ = false;
    FollowOrigin(before);
  }
  UpdateControls();
  EndBusy();
}

void TMainForm::FollowOrigin(const ScanInfo& before) {
  // A format without an origin moved the image to (0, 0): the tools'
  // full-resolution points move with it.
  const ScanInfo& after = image_.GetScanInfo();
  const int32_t dx = static_cast<int32_t>(before.originX) - static_cast<int32_t>(after.originX);
  const int32_t dy = static_cast<int32_t>(before.originY) - static_cast<int32_t>(after.originY);
  if (dx || dy) ShiftTools(-dx, -dy);
}

void TMainForm::SaveROIAsExecute() {
  // Never over the source: neither by name (letter case aside) nor by the
  // file the name, with its extension, reaches.
  const std::string source = image_.FileName();
  auto ontoSource = [&](const SaveChoice& choice, const std::string& name) {
    if (!SameNameIgnoringCase(choice.name, source) && !SameNameIgnoringCase(name, source) && !SameFile(name, source))
      return false;
    prompts_->Box(this, BoxKind::Error,
                  "You can not save the region of interest of a resampled image to the original "
                  "file.  You must specify a different file name");
    return true;
  };
  std::string name;
  std::optional<SaveChoice> choice = ChooseSaveName(name, ontoSource);
  if (!choice) return;
  BeginBusy("Writing " + QString::fromLocal8Bit(choice->name.c_str()) + "...");
  const Rect roi = Roi();
  image_.SaveRegionAs(SaveFileType(choice->filterIndex), name, roi.left, roi.top, roi.right, roi.bottom);
  UpdateControls();
  EndBusy();
}

void TMainForm::CloseExecute() {
  if (!SaveOrDropChanges()) return;
  image_.Close();
  modified_ = false;
  UpdateControls();
}

void TMainForm::CropToRegionExecute() {
  BeginBusy(QString());
  const Rect roi = Roi();
  image_.Crop(roi.left, roi.top, roi.right, roi.bottom);
  KeepToolsInImage();
  UpdateControls();
  EndBusy();
}

}  // namespace viewer
