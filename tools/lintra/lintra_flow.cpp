#include <cstdio>
#include <cstring>
#include <string>

#include "driver/tarvel_api.h"
#include "tools/console/mode_keys.h"
#include "tools/console/status_bits.h"
#include "tools/lintra/lintra.h"

namespace lintra {
namespace {

constexpr unsigned kPartNumber = 10220;
constexpr const char* kRevision = "D";

// The driver keeps the pointer, not the bytes: the text must outlive the session.
char g_extra_header[256];

void ListOldImages(console::Terminal& t) {
  char name[256] = {};
  if (Get_FirstOldImageName(name) != 0) {
    t.Write("No old images.\n");
    return;
  }
  t.Write("Old images:\n");
  do t.Print("   %s\n", name);
  while (Get_NextOldImageName(name) == 0);
}

// 0 when no mode was chosen.
int SelectScanMode(console::Terminal& t) {
  const int count = Get_Paramcount();
  t.Print("There are %i scan modes\n", count);
  for (int i = 1; i <= count; ++i) {
    char name[256] = {};
    Get_Paramname(name, i);
    t.Print("%5i: %s\n", i, name);
  }
  t.Write("Select mode: ");
  return console::ReadModeNumber(t, count, [](int) { return true; }).value_or(0);
}

// Shows the status word until Esc; a failing status ends the loop after a key.
void PollUntilEscape(console::Terminal& t, unsigned& counter) {
  for (;;) {
    const int s = Get_Status();
    if (s < 0) {
      t.Print("\nError %d\n", s);
      t.Write("\n[Press any key to end]");
      t.GetKey();
      t.Write("\r                      \n");
      return;
    }
    t.Print("\r%5u: Status = %s", ++counter, console::FormatStatusBits(uint32_t(s)).c_str());
    if (t.KeyWaiting() && console::IsEscape(t.GetKey())) return;
  }
}

}  // namespace

int Run(console::Terminal& t) {
  t.Print("lintra: Vornix Image Aquisition Program, p/n %u Revision %s\n", kPartNumber, kRevision);
  t.Write("\n");
  char text[256] = {};
  Get_DriverVersion(text);
  t.Print("DLL version: %s\n", text);
  char ini[256] = {};
  if (Get_IniFileName(ini) == 0)
    t.Print("Ini file: '%s'\n", ini);
  else
    t.Print("Unable to locate ini file: '%s'\n", ini);
  ListOldImages(t);

  t.Write("\n");
  const int mode = SelectScanMode(t);
  if (mode == 0) return 0;
  t.Write("\n");
  t.Print("Selecting scan mode %i\n", mode);
  if (const int r = Open_Scanner(mode); r != 0) {
    t.Print("Open_Scanner(%d) failed with error code %d\n", mode, r);
    t.Write("\n[Press any key to end]");
    return t.GetKey();
  }
  char serial[256] = {};
  Get_Serialnumber(serial);
  t.Print("Vornix Serial Number: %s\n", serial);
  t.Write("\n");

  std::snprintf(g_extra_header, sizeof g_extra_header, "Vornix lintra p/n %u Rev %s Scan mode %d\n", kPartNumber,
                kRevision, mode);
  Set_ImageExtraHeader(int32_t(std::strlen(g_extra_header) + 1), g_extra_header);
  Set_Prescanmode(256);
  Aktivate_Scanner();
  t.Write("[Press <ESC> to deactivate]\n");
  unsigned counter = 0;
  PollUntilEscape(t, counter);

  Deaktivate_Scanner();
  t.Write("\nScanner deactivated.\n");
  t.Write("\n");
  t.Write("[Press <ESC> to finish]\n");
  PollUntilEscape(t, counter);

  t.Write("\nChecking for images.\n");
  char name[256] = {};
  while (Get_ImageName(name) > 0) PrintImageInfo(t, name);
  Close_Scanner();
  t.Write("Scanner closed.\n");
  return 0;
}

}  // namespace lintra
