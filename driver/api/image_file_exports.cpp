// Exports that read, delete and list the stored images and their
// information files. They work in every session state, except the listing
// of old images, which refuses an open session.
#include <cstring>
#include <string>

#include "driver/acquisition/image_files.h"
#include "driver/acquisition/image_names.h"
#include "driver/api/export_guard.h"
#include "driver/api/library.h"
#include "driver/config/c_buffer.h"
#include "driver/config/ini_file.h"
#include "driver/config/paths.h"
#include "driver/config/session_log.h"
#include "driver/result_codes.h"
#include "driver/tarvel_api.h"

namespace {

void CopyOut(const std::string& text, char* buffer) { tarvel::CopyToUnsizedBuffer(text, buffer); }

}  // namespace

TARVEL_API int Get_ImageInfo(ImageInfo* info, const char* image_path) {
  if (!info || !image_path) return tarvel::kErrFailed;
  return tarvel::Guarded(tarvel::kErrFailed, [&] { return tarvel::ReadImageInfo(image_path, info); });
}

TARVEL_API int Get_ImageExtraHeader(const char* image_path, uint8_t* buffer) {
  if (!image_path) return 0;
  return tarvel::Guarded(0, [&] { return tarvel::ReadExtraHeader(image_path, buffer); });
}

TARVEL_API int Read_DiskImage(uint16_t* pixels, const char* image_path) {
  if (!image_path) return tarvel::kErrNotFound;
  return tarvel::Guarded(tarvel::kErrNotFound, [&] { return tarvel::ReadDiskImage(image_path, pixels); });
}

TARVEL_API int Delete_Image(const char* image_path) {
  tarvel::SessionLogSink& log = tarvel::Library().session.log;
  const bool opened_here = !log.IsOpen() && log.OpenDaily();
  const char* name = image_path ? image_path : "";
  const bool ok = tarvel::Guarded(0, [&] { return image_path && tarvel::DeleteImageFiles(name); });
  if (ok)
    tarvel::Logf(log, "Image file deleted: %s\n", name);
  else
    tarvel::Logf(log, "ERROR: Can not delete image file: %s\n", name);
  log.Flush();
  if (opened_here) log.Close();
  return ok ? tarvel::kOk : tarvel::kErrNotFound;
}

TARVEL_API int Get_FirstOldImageName(char* buffer) {
  bool listed = false;  // the listing was asked: a failure empties the buffer
  const int rc = tarvel::SessionGuarded(tarvel::kErrFailed, [&] {
    if (tarvel::Library().session.IsOpen()) return tarvel::kErrAlreadyOpen;
    if (!buffer) return tarvel::kErrFailed;
    listed = true;
    std::string folder =
        tarvel::MakeModulePath(tarvel::Ini_StringOr(tarvel::Ini_Open(), "Scanner", "ImagePath", ".\\Images"));
    CopyOut(folder, buffer);
    std::string path;
    if (!tarvel::Library().session.old_images.First(folder, &path)) return tarvel::kErrFailed;
    CopyOut(path, buffer);
    return tarvel::kOk;
  });
  if (listed && rc != tarvel::kOk) buffer[0] = '\0';
  return rc;
}

TARVEL_API int Get_NextOldImageName(char* buffer) {
  bool listed = false;  // the listing was asked: a failure empties the buffer
  const int rc = tarvel::SessionGuarded(tarvel::kErrFailed, [&] {
    if (tarvel::Library().session.IsOpen()) return tarvel::kErrAlreadyOpen;
    if (!buffer) return tarvel::kErrFailed;
    listed = true;
    std::string path;
    if (!tarvel::Library().session.old_images.Next(&path)) return tarvel::kErrFailed;
    CopyOut(path, buffer);
    return tarvel::kOk;
  });
  if (listed && rc != tarvel::kOk) buffer[0] = '\0';
  return rc;
}
