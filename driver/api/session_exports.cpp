// Exports of the scan session: thin wrappers over driver/session; nothing
// escapes them (no memory becomes -100), and one at a time works on the
// session, on any thread.
#include "driver/api/export_guard.h"
#include "driver/api/library.h"
#include "driver/tarvel_api.h"

TARVEL_API int Open_Scanner(int mode) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_Open(tarvel::Library().session, mode); });
}
TARVEL_API int Close_Scanner(void) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_Close(tarvel::Library().session); });
}
TARVEL_API int Aktivate_Scanner(void) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_Activate(tarvel::Library().session); });
}
TARVEL_API int Deaktivate_Scanner(void) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_Deactivate(tarvel::Library().session); });
}
TARVEL_API int Get_Status(void) {
  // The poll takes its turn itself: an overlapping poll is refused, not kept waiting.
  return tarvel::Guarded(tarvel::kErrOutOfMemory, [&] { return tarvel::Session_Poll(tarvel::Library().session); });
}
TARVEL_API int Get_LightStatus(void) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_LightStatus(tarvel::Library().session); });
}
TARVEL_API int Get_ImageName(char* buffer) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_NextImageName(tarvel::Library().session, buffer); });
}
TARVEL_API int Get_Serialnumber(char* buffer) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_SerialNumber(tarvel::Library().session, buffer); });
}
TARVEL_API int Set_Prescanmode(int samples) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_SetPrescan(tarvel::Library().session, samples); });
}
TARVEL_API int Get_Prescanline(uint8_t* buffer) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_PrescanLine(tarvel::Library().session, buffer); });
}
TARVEL_API int Run_Beltdrive(unsigned code) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_RunBeltdrive(tarvel::Library().session, code); });
}
TARVEL_API int Set_ImageFilterMode(int on) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_SetFilterMode(tarvel::Library().session, on); });
}
TARVEL_API int Set_ImageExtraHeader(int32_t length, const void* header) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory, [&] {
    tarvel::Session_SetExtraHeader(tarvel::Library().session, length, static_cast<const uint8_t*>(header));
    return tarvel::kOk;
  });
}
TARVEL_API int HALTIC_Mode(int value) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_HalticMode(tarvel::Library().session, value); });
}
