#pragma once
// CMWBitmap: one toolkit kernel bitmap with the file name it came from and
// a display palette; filled from a bitmap resource, a file or another bitmap.
#include <cstdint>
#include <string>

#include "toolkit/outside/kernel/mwkernel.h"
#include "toolkit/outside/system/gdi.h"
#include "toolkit/outside/system/modules.h"
#include "toolkit/outside/system/runtime_class.h"

namespace mwdlg {

// A GDI palette wrapper.
class PaletteObject {
 public:
  // False (and nothing held) for no palette.
  bool Attach(mwsys::Palette palette);
  void DeleteObject();
  mwsys::Palette handle() const { return palette_; }

 private:
  mwsys::Palette palette_ = nullptr;
};

class CMWBitmap : public mwsys::Object {
 public:
  static const mwsys::RuntimeClass kClass;  // "CMWBitmap", schema 1

  CMWBitmap() = default;
  CMWBitmap(const CMWBitmap&) = delete;
  CMWBitmap& operator=(const CMWBitmap&) = delete;

  const mwsys::RuntimeClass* GetRuntimeClass() const override;
  ~CMWBitmap() override;
  void Serialize(void* archive) override;
  // Results 1 or 0. Copying a picture onto itself changes nothing.
  virtual int CopyFromPicture(const CMWBitmap& other, const MwRect* rect);
  virtual int CopyFromPicture(const CMWBitmap* other, const MwRect* rect);
  virtual int CopyFromHandle(const MwBitmapHandle* handle, const MwRect* rect);
  // Without a rectangle, or with one of no width or height, the whole source.
  virtual int CopyHandle(const MwBitmapHandle* source, const MwRect* rect);
  virtual int LoadFromFile(const char* name, int32_t flags);
  // Module null: the library's own resource module.
  virtual int LoadFromResource(int32_t id, mwsys::Module module, int32_t setting);
  virtual int Adjust(int32_t value, int32_t option);

  int LoadAndAdjust(int32_t id, mwsys::Module module, int32_t setting, int32_t value, int32_t option);
  int MakePalette();
  bool IsEmpty() const;
  void Free();
  static bool HandleIsAllocated(const MwBitmapHandle* handle);

  const MwBitmapHandle& handle() const { return handle_; }
  const std::string& file_name() const { return file_name_; }
  const PaletteObject* palette() const { return palette_; }

 private:
  // The copy's file name cleared and 0 on failure; MakePalette after success.
  int FinishCopy(int copied);
  // Deletes the palette object and its GDI palette.
  void FreePalette();

  MwBitmapHandle handle_{};
  std::string file_name_;
  PaletteObject* palette_ = nullptr;
  int32_t reserved_[2] = {0, 0};
};

}  // namespace mwdlg
