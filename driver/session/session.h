#pragma once
// A scan session: its state (closed, open, active), the flags its polls
// share, the USB device state it is given, its log and the device object
// and acquisition that live from a successful open to the close or the
// failure clean-up. The loaded library has one (driver/api/library.h).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver/acquisition/acquisition.h"
#include "driver/acquisition/image_names.h"
#include "driver/acquisition/stream_poll.h"
#include "driver/config/ini_file.h"
#include "driver/config/scan_mode.h"
#include "driver/config/scanner_type.h"
#include "driver/config/session_log.h"
#include "driver/device/scanner_registers.h"
#include "driver/normalization/scanner_line.h"
#include "driver/result_codes.h"
#include "driver/session/interface_probe.h"

namespace tarvel {

enum class SessionState { kClosed, kOpen, kActive };

// What a session owns from a successful open to its close: the transport,
// the register layer over it, acquisition over the session log and the stream poll over both.
struct SessionDevice {
  SessionDevice(std::unique_ptr<ScannerTransport> scanner_transport, LogSink& log)
      : transport(std::move(scanner_transport)),
        device(*transport),
        acquisition(AcquisitionSeams{&log, {}, {}}),
        stream(device),
        poller(acquisition, stream, &log) {}

  std::unique_ptr<ScannerTransport> transport;
  ScannerRegisters device;
  Acquisition acquisition;
  ScannerStreamDevice stream;
  StreamPoller poller;
};

struct Session {
  // `usb_devices` outlives the session.
  explicit Session(usb::UsbDevices& usb) : usb_devices(usb) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The USB device state the session's interface probe and USB transport
  // work on (the library's session shares it with the low-level USB exports).
  usb::UsbDevices& usb_devices;
  SessionState state = SessionState::kClosed;
  SessionLogSink log;  // the sink every layer writes the session log through; it owns the stream
  std::atomic<bool> status_busy{false};  // a `Get_Status` poll is under way (on any thread)
  std::atomic<uint32_t> overlaps{0};  // `Get_Status` calls refused since the last one that got in
  // One call at a time works on the session (SessionEntry).
  std::mutex calls;
  std::atomic<std::thread::id> caller{};
  bool plates_latched = false;
  bool no_answer_logged = false;  // the scanner's silence was logged; cleared when it answers

  int32_t extra_length = 0;
  const uint8_t* extra_bytes = nullptr;

  std::unique_ptr<SessionDevice> parts;  // none while closed
  ScanMode mode;
  ScanMode opened_mode;  // the mode as the open derived it (a service scan changes `mode`)
  // The scan registers hold the session's mode; false after a service
  // command programmed its own geometry (the activation programs it again).
  bool scan_mode_programmed = true;
  std::string mode_name;  // as logged at open ("Scan mode: '%s'")
  MemoryDescription memory;  // the buffer memory found at open
  uint8_t id_block[32] = {};  // identification block; [31] the data PROM type
  bool id_read = false;  // the block was read at open
  char serial[32] = {};
  bool filter_enabled = false;
  bool filter_saved = false;  // 0 from load until the first Set_ImageFilterMode(0)
  std::string temp_path;

  // Kept for the life of the library, across sessions.
  int interface_kind = kInterfaceNone;  // the probed interface, once one answered
  // The scanner model its probe or its USB connect found (interface_probe.h).
  int scanner_type = kScannerTypeUndefined;
  OldImageSearch old_images;  // the listing of old images

  ScannerRegisters& Device() { return parts->device; }
  ScannerTransport& Transport() { return *parts->transport; }
  Acquisition& Acq() { return parts->acquisition; }
  bool IsOpen() const { return state != SessionState::kClosed; }
  bool IsActive() const { return state == SessionState::kActive; }
};

// A call that works on the session, from its start to its return. One is
// under way at a time: a call from another thread waits for it; a call from
// within it (on its own thread, from a callback) does not enter, so that
// nothing it uses is freed under it.
class SessionEntry {
 public:
  explicit SessionEntry(Session& s) : s_(s) {
    if (s_.caller.load() == std::this_thread::get_id()) return;
    s_.calls.lock();
    s_.caller = std::this_thread::get_id();
    entered_ = true;
  }
  ~SessionEntry() {
    if (!entered_) return;
    s_.caller = std::thread::id{};
    s_.calls.unlock();
  }
  SessionEntry(const SessionEntry&) = delete;
  SessionEntry& operator=(const SessionEntry&) = delete;
  explicit operator bool() const { return entered_; }

 private:
  Session& s_;
  bool entered_ = false;
};

// ---- Operations of the session exports ----
int Session_Open(Session& s, int mode);
int Session_Close(Session& s);
int Session_Activate(Session& s);
int Session_Deactivate(Session& s);
int Session_Poll(Session& s);
int Session_LightStatus(Session& s);
int Session_NextImageName(Session& s, char* buffer);
int Session_SerialNumber(Session& s, char* buffer);
int Session_SetPrescan(Session& s, int samples);
int Session_PrescanLine(Session& s, uint8_t* buffer);
int Session_RunBeltdrive(Session& s, unsigned code);
int Session_SetFilterMode(Session& s, int on);
void Session_SetExtraHeader(Session& s, int32_t length, const uint8_t* bytes);
int Session_HalticMode(Session& s, int value);

// ---- Normalization data ----
// The connected scanner's serial number and the mode's scan line.
ScannerLine Session_ScannerLine(const Session& s);
// Make_CalibFile against the open session; -4 when none is open.
int Session_MakeCalibFile(Session& s, const char* image_name);
// The table of an opening session: `Normalization`, else `Kalibrierdaten`,
// names the file; with neither the data-PROM copy is tried. Failures leave
// the table as it was.
void Session_LoadNormalization(Session& s, const IniPath& ini, std::vector<double>& table);
// The data-PROM exports on the open session; -4 when none is open.
int Session_WriteNormalizationData(Session& s, const char* path);
int Session_ReadNormalizationData(Session& s, const char* path);
int Session_ClearNormalizationData(Session& s);

// Scan data collected for plates not yet finished are given up (the close,
// a new activation): logged as an error, never handed out as images.
void Session_DropUnfinishedPlates(Session& s);

// Everything off, in this order: motor mode 4, laser, high voltage, run,
// slot outputs (the close and the shutdown).
void Session_AllOff(ScannerRegisters& device);

// The device shutdown of a half-opened session (every failed open): motors,
// laser, high voltage, run and slot outputs off, disconnect, temporary file
// closed and deleted, device destroyed; then the session is closed and its
// log flushed and closed. 0 or the result of closing the log.
int Session_Shutdown(Session& s);

}  // namespace tarvel
