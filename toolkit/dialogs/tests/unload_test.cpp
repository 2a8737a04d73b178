// Loading and unloading libmwdialogs.so: what load builds and unload frees.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "toolkit/dialogs/mwdialogs_api.h"
#include "toolkit/outside/system/runtime_class.h"
#include "toolkit/outside/system/standin_control.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define MW_IGNORE_LEAKS_BEGIN() __lsan_disable()
#define MW_IGNORE_LEAKS_END() __lsan_enable()
#else
#define MW_IGNORE_LEAKS_BEGIN()
#define MW_IGNORE_LEAKS_END()
#endif

namespace {

struct Library {
  Library() {
    const std::string path = mwsys::LibraryFolder() + "/libmwdialogs.so";
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  ~Library() { Close(); }
  void Close() {
    if (handle) dlclose(handle);
    handle = nullptr;
  }
  template <class F>
  F Get(const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
  }
  void* handle = nullptr;
};

}  // namespace

TEST(Unload, LoadBuildsAndUnloadFreesTheLibrarysObjects) {
  ASSERT_EQ(mwsys::FindClass("CMWBitmap"), nullptr);
  const int cursors = mwsys::LiveCursorCopies();
  const int bitmaps = mwsys::Counter("mwkernel.bitmaps");
  {
    Library lib;
    ASSERT_NE(lib.handle, nullptr) << dlerror();
    EXPECT_NE(mwsys::FindClass("CMWBitmap"), nullptr);
    EXPECT_TRUE(mwsys::IsLoaded("mwdialogs.dll"));  // its own resources

    auto set_text = lib.Get<decltype(&M_DlgSetString2)>("M_DlgSetString2");
    auto get_text = lib.Get<decltype(&M_DlgGetString2)>("M_DlgGetString2");
    auto set_cursor = lib.Get<decltype(&M_DlgSetCursor)>("M_DlgSetCursor");
    auto get_cursor = lib.Get<decltype(&M_DlgGetCursor)>("M_DlgGetCursor");
    auto set_callback = lib.Get<decltype(&M_DlgSetCallBack)>("M_DlgSetCallBack");
    auto init = lib.Get<decltype(&M_DlgInit)>("M_DlgInit");
    ASSERT_TRUE(set_text && get_text && set_cursor && get_cursor && set_callback && init);

    ASSERT_EQ(set_text(0, "Okay"), 1);
    mwsys::Cursor shared = nullptr;
    ASSERT_EQ(get_cursor(0, &shared), 1);
    ASSERT_EQ(set_cursor(0, shared), 1);
    EXPECT_EQ(mwsys::LiveCursorCopies(), cursors + 1);
    set_callback(reinterpret_cast<void*>(uintptr_t{0x1234}), 5);
    // Unloading frees the pictures but, as specified, keeps the conversion
    // handles and the colour library: an application frees them first.
    MW_IGNORE_LEAKS_BEGIN();
    ASSERT_EQ(init(), 1);
    MW_IGNORE_LEAKS_END();
    EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), bitmaps + 10);
    lib.Close();
  }
  EXPECT_EQ(mwsys::FindClass("CMWBitmap"), nullptr);
  EXPECT_FALSE(mwsys::IsLoaded("mwdialogs.dll"));
  EXPECT_EQ(mwsys::LiveCursorCopies(), cursors);
  EXPECT_EQ(mwsys::Counter("mwkernel.bitmaps"), bitmaps);
  EXPECT_TRUE(mwsys::IsLoaded("mwcolor.DLL"));

  Library again;  // a fresh load starts from the defaults
  ASSERT_NE(again.handle, nullptr);
  char buf[8];
  ASSERT_EQ(again.Get<decltype(&M_DlgGetString2)>("M_DlgGetString2")(0, buf), 1);
  EXPECT_STREQ(buf, "OK");
  EXPECT_EQ(again.Get<decltype(&M_DlgGetCallBack)>("M_DlgGetCallBack")(nullptr), nullptr);
  EXPECT_EQ(again.Get<decltype(&M_DlgIsDataInitialized)>("M_DlgIsDataInitialized")(), 0);
  auto init = again.Get<decltype(&M_DlgInit)>("M_DlgInit");
  auto release = again.Get<decltype(&M_DlgFree)>("M_DlgFree");
  ASSERT_EQ(init(), 1);
  EXPECT_EQ(release(), 1);
}
