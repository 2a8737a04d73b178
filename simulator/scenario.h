#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the simulated scanner is: its identity, memory module, light, high
// voltage, plates and the faults to inject. Built in code by tests or read
// from a scenario (ini) file; simulator/README.md describes the file.
namespace sim {

// A plate's content: rows of 16-bit values as the scanner sends them for
// that plate (before the converter offset is subtracted).
struct PlateImage {
  int width = 0;
  int height = 0;
  std::vector<uint16_t> pixels;  // row-major, top row first
  uint16_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Generated plate contents.
PlateImage FlatPlate(int width, int height, uint16_t value);
// Left-to-right ramp from `from` (column 0) to `to` (last column).
PlateImage GradientPlate(int width, int height, uint16_t from, uint16_t to);
// Checkerboard of 8 x 8 cells alternating `low` and `high`, with a one-pixel
// frame of `high`.
PlateImage TestPatternPlate(int width, int height, uint16_t low, uint16_t high);
// Uniform noise in [low, high], repeatable for a seed.
PlateImage NoisePlate(int width, int height, uint16_t low, uint16_t high, uint32_t seed);
// A raw 16-bit file: u16 width, u16 height, rows of u16 (little-endian).
std::optional<PlateImage> LoadRawPlate(const std::string& path, std::string* error);

struct Plate {
  int slot = 0;  // 0..3: the plate sensor bit it sets
  uint32_t at_ms = 0;  // inserted this long after the transport is armed
  int position = 1000;  // scan-line position of column 0 (pixel index + start)
  PlateImage image;
};

// Buffer memory module: the serial-presence-detect bytes that matter.
struct MemoryModule {
  uint8_t type = 4;  // SPD byte 2
  uint8_t rows = 11;  // byte 3
  uint8_t columns = 9;  // byte 4
  uint8_t module_banks = 1;  // byte 5
  uint8_t width = 64;  // byte 6
  uint8_t device_banks = 4;  // byte 17
  // Full SPD contents (256 bytes) when given; replaces the fields above.
  std::optional<std::vector<uint8_t>> spd;
};

// Stream data left in the scanner memory by an earlier session: the listed
// plates scanned under this geometry (a plate's `at_ms` is the line of its
// first row), `lines` lines long, the mark at the start of the data and the
// read pointer `read_offset_words` into it.
struct OldData {
  std::vector<Plate> plates;  // positions relative to the old geometry's start
  int start = 100;  // start of data collection (pixel 0 position)
  int pixels = 2000;
  uint16_t threshold = 1000;  // lit when above
  int lines = 0;  // 0: as many as the plates need plus 4 empty lines
  uint32_t read_offset_words = 0;
};

struct Faults {
  std::vector<uint8_t> i2c_absent;  // devices that never acknowledge
  std::map<uint8_t, int> i2c_nack_first;  // device -> first n selections not acknowledged
  int bad_checksum_reads = 0;  // next n block reads corrupted; -1 every one
  std::map<uint32_t, int> fail_requests;  // control code -> fail next n times; -1 always
  std::map<uint32_t, int> short_requests;  // control code -> next n answers cut to half; -1 always
  std::map<uint32_t, int> short_standard_requests;  // USB: standard request -> next n answers cut to half
  int unplug_after = -1;  // every request after this many fails
  int16_t stall_code = -510;
  std::map<uint32_t, int> timeout_requests;  // USB: vendor request -> time out the next n; -1 always                //
                                             // USB: the request-18 code a stalled request leaves
  bool fpga_reject = false;  // downloads never configure the FPGA
  bool fpga_status_stuck = false;  // kIoFpgaBegin keeps reporting "configured"
  uint32_t idprom_write_cycle_ms = 0;  // ID PROM busy after each written byte
};

struct Scenario {
  std::string interface = "EPP";  // the front end the scanner shows
  std::string guid;  // USB interface GUIDs the scanner shows (comma-separated)
  uint16_t usb_api_version = 0x0200;  // USB driver's API version
  uint32_t usb_driver_flags = 0;  // first word of the USB driver's flag record
  uint16_t firmware_major = 2;  // USB version request: "first"
  uint16_t firmware_minor = 14;  // and "second"
  std::string serial = "VX0000001";
  uint8_t data_prom_type = 0;
  std::map<int, uint16_t> pmt_words;  // scan mode -> ID-PROM PMT voltage word
  std::optional<std::vector<uint8_t>> id_prom;  // full 256 bytes, replaces the three above
  std::map<uint8_t, std::vector<uint8_t>> data_proms;  // 0xA2/0xA4/0xAA contents (up to 64 KiB)
  MemoryModule memory;
  bool fpga_configured = false;  // state at power-up
  uint32_t line_period_us = 1000;  // one scan line per period while run is on
  int lead_lines = 20;  // lines from plate sensor to scan line
  int stop_lines = 40;  // transport runs on this long after the last plate
  uint8_t status52 = 0;  // further status byte
  // Light: per-sample levels; the converter sums S samples (halved for S > 16).
  uint16_t dark = 0;  // seen always
  uint16_t ambient = 0;  // seen while the high voltage is on
  double nominal_hv = 0;  // >0: plate and ambient scale with HV / nominal_hv
  double hv_decay_volts_per_s = 2000;  // 0: never decays
  double hv_initial = 0;
  double laser_temp = 25.0;  // degrees Celsius
  double supply_5v = 5.0, supply_3v3 = 3.3, supply_24v = 24.0;
  uint32_t access_cost_us = 2;  // virtual time of one bus access
  uint32_t transfer_test_words = 65536;  // test words written when register 5 is set to 1
  std::vector<Plate> plates;
  std::optional<OldData> old_data;
  Faults faults;
};

// Reads a scenario file; nullopt with *error set when it cannot be read or a
// value is malformed. Relative plate image paths are taken from the
// scenario's folder.
std::optional<Scenario> LoadScenarioFile(const std::string& path, std::string* error);

}  // namespace sim
