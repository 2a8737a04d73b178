#include "simulator/scenario.h"

#include <charconv>
#include <limits>
#include <cstdio>
#include <cstring>

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/guid.h"
#include "platform/profile.h"

namespace sim {

PlateImage FlatPlate(int width, int height, uint16_t value) {
  PlateImage p{width, height, std::vector<uint16_t>(static_cast<size_t>(width) * height, value)};
  return p;
}

PlateImage GradientPlate(int width, int height, uint16_t from, uint16_t to) {
  PlateImage p = FlatPlate(width, height, from);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int64_t v = from + (width > 1 ? (int64_t{to} - from) * x / (width - 1) : 0);
      p.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint16_t>(v);
    }
  return p;
}

PlateImage TestPatternPlate(int width, int height, uint16_t low, uint16_t high) {
  PlateImage p = FlatPlate(width, height, low);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool frame = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      bool cell = ((x / 8) + (y / 8)) % 2 == 1;
      p.pixels[static_cast<size_t>(y) * width + x] = (frame || cell) ? high : low;
    }
  return p;
}

PlateImage NoisePlate(int width, int height, uint16_t low, uint16_t high, uint32_t seed) {
  PlateImage p = FlatPlate(width, height, low);
  uint32_t state = seed ? seed : 0x9E3779B9u;
  uint32_t span = high >= low ? uint32_t{high} - low + 1 : 1;
  for (uint16_t& v : p.pixels) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    v = static_cast<uint16_t>(low + state % span);
  }
  return p;
}

std::optional<PlateImage> LoadRawPlate(const std::string& path, std::string* error) {
  std::optional<std::string> bytes = platform::ReadWholeFile(path);
  if (!bytes || bytes->size() < 4) {
    if (error) *error = "cannot read plate image " + path;
    return std::nullopt;
  }
  auto u16 = [&](size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>((*bytes)[at]) | (static_cast<uint8_t>((*bytes)[at + 1]) << 8));
  };
  PlateImage p;
  p.width = u16(0);
  p.height = u16(2);
  size_t count = static_cast<size_t>(p.width) * p.height;
  if (bytes->size() < 4 + 2 * count) {
    if (error) *error = "plate image " + path + " is shorter than its size";
    return std::nullopt;
  }
  p.pixels.resize(count);
  for (size_t i = 0; i < count; ++i) p.pixels[i] = u16(4 + 2 * i);
  return p;
}

namespace {

// The keys a scenario file may hold, by section; "Plate" and "OldPlate" are
// numbered sections ("Plate1", "Plate2", ...).
struct SectionKeys {
  const char* section;
  bool numbered;
  std::vector<const char*> keys;
};

const std::vector<SectionKeys>& KnownSections() {
  static const std::vector<const char*> plate = {"Slot", "At",   "Position", "Image", "Generator", "Width", "Height",
                                                 "Value", "From", "To",      "Low",   "High",      "Seed"};
  static const std::vector<SectionKeys> sections = {
      {"Scanner", false, {"Interface", "Guid", "UsbApiVersion", "UsbDriverFlags", "FirmwareMajor", "FirmwareMinor",
                          "Serial", "DataPromType", "PmtVoltages", "IdProm", "IdPromFile", "FpgaConfigured",
                          "LinePeriodUs", "LeadLines", "StopLines", "Status52", "AccessCostUs", "TransferTestWords"}},
      {"Memory", false, {"Type", "Rows", "Columns", "ModuleBanks", "Width", "DeviceBanks", "Spd"}},
      {"Light", false, {"Dark", "Ambient", "NominalHv"}},
      {"HighVoltage", false, {"DecayVoltsPerSecond", "Initial"}},
      {"Temperature", false, {"Laser"}},
      {"Supplies", false, {"V5", "V3_3", "V24"}},
      {"DataProm", false, {"A2", "A4", "AA"}},
      {"Plate", true, plate},
      {"OldData", false, {"Start", "Pixels", "Threshold", "Lines", "ReadOffset"}},
      {"OldPlate", true, plate},
      {"Faults", false, {"I2cAbsent", "I2cNackFirst", "BadChecksumReads", "FailRequests", "ShortRequests",
                         "ShortStandardRequests", "UnplugAfter", "StallCode", "TimeoutRequests", "FpgaReject",
                         "FpgaStatusStuck", "IdPromWriteCycleMs"}},
  };
  return sections;
}

// The schema entry of a section name ("Plate12" -> Plate, number 12), or
// null; *number is 0 for an unnumbered section.
const SectionKeys* FindSection(std::string_view name, int* number) {
  for (const SectionKeys& known : KnownSections()) {
    const std::string_view base = known.section;
    if (!known.numbered) {
      if (platform::EqualsIgnoreCase(name, base)) {
        *number = 0;
        return &known;
      }
      continue;
    }
    if (name.size() <= base.size() || !platform::EqualsIgnoreCase(name.substr(0, base.size()), base)) continue;
    const std::string_view digits = name.substr(base.size());
    int n = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec == std::errc() && end == digits.data() + digits.size() && n > 0 && digits[0] != '0') {
      *number = n;
      return &known;
    }
  }
  return nullptr;
}

// Where each section and key of a scenario file stands, checked line by line
// against the keys the simulator reads: every line is a comment, a section
// the simulator knows, or one of its keys with "=", each given once.
class Layout {
 public:
  // Empty on success, else "<path>:<line>: <what is wrong>".
  std::string Check(const std::string& path, const std::string& text) {
    path_ = path;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return path + ": the file is empty";
    std::string current;  // folded name of the section the line is in
    std::string current_name;  // and as the file spells it
    const SectionKeys* schema = nullptr;
    struct Numbered {
      std::string base;
      int number;
      std::string name;
      int line;
    };
    std::vector<Numbered> numbered;  // beyond the first
    int line = 0;
    for (size_t pos = 0; pos < text.size();) {
      ++line;
      size_t nl = text.find('\n', pos);
      std::string_view raw(text.data() + pos, (nl == std::string::npos ? text.size() : nl) - pos);
      pos = nl == std::string::npos ? text.size() : nl + 1;
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      for (char c : raw) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) {
          char what[64];
          std::snprintf(what, sizeof what, "not text (byte 0x%02X)", u);
          return At(line, what);
        }
      }
      const std::string_view t = platform::TrimBlanks(raw);
      if (t.empty() || t.front() == ';') continue;
      if (t.front() == '[') {
        const size_t close = t.find(']');
        if (close == std::string_view::npos) return At(line, "a section name without its \"]\"");
        const std::string_view rest = platform::TrimBlanks(t.substr(close + 1));
        if (!rest.empty() && rest.front() != ';') return At(line, "text after the section name");
        const std::string name(platform::TrimBlanks(t.substr(1, close - 1)));
        int number = 0;
        schema = FindSection(name, &number);
        if (!schema) return At(line, "unknown section [" + name + "]");
        current = platform::AsciiFold(name);
        current_name = name;
        if (auto seen = sections_.find(current); seen != sections_.end())
          return At(line, "section [" + name + "] given twice (first on line " + std::to_string(seen->second.line) + ")");
        sections_[current] = {line, {}};
        if (number > 1) numbered.push_back({schema->section, number, name, line});
        continue;
      }
      const size_t eq = t.find('=');
      if (eq == std::string_view::npos) return At(line, "neither a section, a key=value line nor a comment");
      const std::string key(platform::TrimBlanks(t.substr(0, eq)));
      if (!schema) return At(line, "key " + key + " before the first section");
      bool known = false;
      for (const char* k : schema->keys) known = known || platform::EqualsIgnoreCase(key, k);
      if (!known) return At(line, "unknown key " + key + " in [" + current_name + "]");
      auto& keys = sections_[current].keys;
      const std::string folded = platform::AsciiFold(key);
      if (auto seen = keys.find(folded); seen != keys.end())
        return At(line, "key " + key + " given twice in [" + current_name + "] (first on line " +
                            std::to_string(seen->second) + ")");
      keys[folded] = line;
    }
    // Numbered sections are read from 1 up to the first one missing.
    for (const Numbered& n : numbered) {
      const std::string before = n.base + std::to_string(n.number - 1);
      if (!HasSection(before)) return At(n.line, "section [" + n.name + "] without [" + before + "]");
    }
    return {};
  }

  bool HasSection(const std::string& section) const { return sections_.contains(platform::AsciiFold(section)); }
  bool HasKey(const std::string& section, const char* key) const { return Line(section, key) > 0; }

  // "<path>:<line>: " of a key (of its section when the key is missing).
  std::string Where(const std::string& section, const char* key) const {
    int line = Line(section, key);
    if (line == 0) {
      auto s = sections_.find(platform::AsciiFold(section));
      line = s == sections_.end() ? 0 : s->second.line;
    }
    return line > 0 ? path_ + ":" + std::to_string(line) + ": " : path_ + ": ";
  }

 private:
  struct Section {
    int line = 0;
    std::map<std::string, int> keys;  // folded key -> line
  };

  int Line(const std::string& section, const char* key) const {
    auto s = sections_.find(platform::AsciiFold(section));
    if (s == sections_.end()) return 0;
    auto k = s->second.keys.find(platform::AsciiFold(key));
    return k == s->second.keys.end() ? 0 : k->second;
  }
  std::string At(int line, const std::string& what) const { return path_ + ":" + std::to_string(line) + ": " + what; }

  std::string path_;
  std::map<std::string, Section> sections_;
};

class Reader {
 public:
  Reader(std::string path, const Layout& layout, std::string* error)
      : path_(std::move(path)), layout_(layout), error_(error) {}

  std::optional<std::string> Text(const std::string& section, const char* key) {
    return platform::ReadProfileString(path_, section, key);
  }

  bool Fail(const std::string& section, const char* key, const std::string& value) {
    return FailWith(section, key, "[" + section + "] " + key + ": bad value \"" + value + "\"");
  }
  bool FailWith(const std::string& section, const char* key, const std::string& what) {
    if (ok_ && error_) *error_ = layout_.Where(section, key) + what;
    ok_ = false;
    return false;
  }

  template <typename T>
  static bool Fits(int64_t v) {
    return v >= int64_t{std::numeric_limits<T>::min()} && (v < 0 || uint64_t(v) <= uint64_t{std::numeric_limits<T>::max()});
  }

  // A whole number that fits T.
  template <typename T>
  void Int(const std::string& section, const char* key, T* out) {
    auto v = Text(section, key);
    if (!v) return;
    int64_t parsed = 0;
    if (!ParseInt(*v, &parsed) || !Fits<T>(parsed)) {
      Fail(section, key, *v);
      return;
    }
    *out = static_cast<T>(parsed);
  }

  void Real(const std::string& section, const char* key, double* out) {
    auto v = Text(section, key);
    if (!v) return;
    double parsed = 0;
    auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), parsed);
    if (ec != std::errc() || end != v->data() + v->size()) {
      Fail(section, key, *v);
      return;
    }
    *out = parsed;
  }

  void Bool(const std::string& section, const char* key, bool* out) {
    int64_t v = *out ? 1 : 0;
    Int(section, key, &v);
    *out = v != 0;
  }

  // Bytes from hex text ("01 a0 ff" or "01a0ff").
  void Bytes(const std::string& section, const char* key, std::optional<std::vector<uint8_t>>* out) {
    auto v = Text(section, key);
    if (!v) return;
    std::vector<uint8_t> bytes;
    int nibble = -1;
    for (char c : *v) {
      int d = platform::HexDigit(c);
      if (d < 0) {
        if (c == ' ' || c == ',' || c == '\t') continue;
        Fail(section, key, *v);
        return;
      }
      if (nibble < 0) {
        nibble = d;
      } else {
        bytes.push_back(static_cast<uint8_t>(nibble * 16 + d));
        nibble = -1;
      }
    }
    if (nibble >= 0) {
      Fail(section, key, *v);
      return;
    }
    *out = bytes;
  }

  // A file's bytes, relative names taken from the scenario's folder.
  std::optional<std::vector<uint8_t>> File(const std::string& section, const char* key) {
    auto v = Text(section, key);
    if (!v || v->empty()) return std::nullopt;
    std::optional<std::string> bytes = platform::ReadWholeFile(Resolve(*v));
    if (!bytes) {
      Fail(section, key, *v);
      return std::nullopt;
    }
    return std::vector<uint8_t>(bytes->begin(), bytes->end());
  }

  // "code[*count], ..." (count -1 when missing).
  template <typename K>
  void CountList(const std::string& section, const char* key, std::map<K, int>* out, int missing_count) {
    auto v = Text(section, key);
    if (!v) return;
    for (const std::string& item : Split(*v)) {
      size_t star = item.find('*');
      int64_t code = 0, count = missing_count;
      if (!ParseInt(item.substr(0, star), &code) || !Fits<K>(code) ||
          (star != std::string::npos && (!ParseInt(item.substr(star + 1), &count) || !Fits<int>(count)))) {
        Fail(section, key, *v);
        return;
      }
      (*out)[static_cast<K>(code)] = static_cast<int>(count);
    }
  }

  void ByteList(const std::string& section, const char* key, std::vector<uint8_t>* out) {
    auto v = Text(section, key);
    if (!v) return;
    for (const std::string& item : Split(*v)) {
      int64_t b = 0;
      if (!ParseInt(item, &b) || b < 0 || b > 255) {
        Fail(section, key, *v);
        return;
      }
      out->push_back(static_cast<uint8_t>(b));
    }
  }

  // Comma-separated interface GUIDs.
  void Guids(const std::string& section, const char* key, const std::string& value) {
    for (const std::string& item : Split(value))
      if (!platform::ParseGuid(item)) {
        Fail(section, key, value);
        return;
      }
  }

  // "mode:volts, ..."
  void PmtWords(const std::string& section, const char* key, std::map<int, uint16_t>* out) {
    auto v = Text(section, key);
    if (!v) return;
    for (const std::string& item : Split(*v)) {
      size_t colon = item.find(':');
      int64_t mode = 0, volts = 0;
      if (colon == std::string::npos || !ParseInt(item.substr(0, colon), &mode) ||
          !ParseInt(item.substr(colon + 1), &volts) || !Fits<int>(mode) || !Fits<uint16_t>(volts)) {
        Fail(section, key, *v);
        return;
      }
      (*out)[static_cast<int>(mode)] = static_cast<uint16_t>(volts);
    }
  }

  std::optional<Plate> PlateSection(const std::string& section) {
    if (!layout_.HasSection(section)) return std::nullopt;
    auto image = Text(section, "Image");
    auto generator = Text(section, "Generator");
    Plate p;
    Int(section, "Slot", &p.slot);
    Int(section, "At", &p.at_ms);
    Int(section, "Position", &p.position);
    if (image) {
      for (const char* key : {"Generator", "Width", "Height", "Value", "From", "To", "Low", "High", "Seed"})
        if (layout_.HasKey(section, key)) FailWith(section, key, "[" + section + "] " + key + ": not for a plate read from Image");
      std::string why;
      auto raw = LoadRawPlate(Resolve(*image), &why);
      if (!raw) {
        FailWith(section, "Image", "[" + section + "] " + why);
        return std::nullopt;
      }
      p.image = std::move(*raw);
      return p;
    }
    int width = 64, height = 64;
    int64_t value = 2000, from = 1000, to = 30000, low = 1000, high = 30000, seed = 1;
    Int(section, "Width", &width);
    Int(section, "Height", &height);
    Int(section, "Value", &value);
    Int(section, "From", &from);
    Int(section, "To", &to);
    Int(section, "Low", &low);
    Int(section, "High", &high);
    Int(section, "Seed", &seed);
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
      Fail(section, "Width", std::to_string(width) + " x " + std::to_string(height));
      return std::nullopt;
    }
    std::string kind = generator ? *generator : "flat";
    auto u16 = [](int64_t v) { return static_cast<uint16_t>(v < 0 ? 0 : v > 65535 ? 65535 : v); };
    if (kind == "flat")
      p.image = FlatPlate(width, height, u16(value));
    else if (kind == "gradient")
      p.image = GradientPlate(width, height, u16(from), u16(to));
    else if (kind == "pattern")
      p.image = TestPatternPlate(width, height, u16(low), u16(high));
    else if (kind == "noise")
      p.image = NoisePlate(width, height, u16(low), u16(high), static_cast<uint32_t>(seed));
    else
      Fail(section, "Generator", kind);
    return p;
  }

  bool ok() const { return ok_; }

 private:
  static std::string Trim(const std::string& s) { return std::string(platform::TrimBlanks(s)); }

  static std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at <= s.size()) {
      size_t comma = s.find(',', at);
      std::string item = Trim(s.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
      if (!item.empty()) out.push_back(item);
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
    return out;
  }

  static bool ParseInt(std::string s, int64_t* out) {
    s = Trim(s);
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.erase(0, 1);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      base = 16;
      s.erase(0, 2);
    }
    if (s.empty()) return false;
    int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    *out = negative ? -v : v;
    return true;
  }

  std::string Resolve(const std::string& name) const {
    std::string native = platform::NativePath(name);
    if (!native.empty() && native[0] == '/') return native;
    std::string folder = platform::FolderPart(path_);
    return folder.empty() ? native : folder + "/" + native;
  }

  std::string path_;
  const Layout& layout_;
  std::string* error_;
  bool ok_ = true;
};

}  // namespace

std::optional<Scenario> LoadScenarioFile(const std::string& path, std::string* error) {
  const std::optional<std::string> text = platform::FileExists(path) ? platform::ReadWholeFile(path) : std::nullopt;
  if (!text) {
    if (error) *error = "cannot read scenario file " + path;
    return std::nullopt;
  }
  Layout layout;
  if (std::string wrong = layout.Check(path, *text); !wrong.empty()) {
    if (error) *error = wrong;
    return std::nullopt;
  }
  Reader r(path, layout, error);
  Scenario s;
  const std::string sc = "Scanner";
  if (auto v = r.Text(sc, "Interface")) s.interface = *v;
  if (auto v = r.Text(sc, "Guid")) {
    s.guid = *v;
    r.Guids(sc, "Guid", *v);
  }
  r.Int(sc, "UsbApiVersion", &s.usb_api_version);
  r.Int(sc, "UsbDriverFlags", &s.usb_driver_flags);
  r.Int(sc, "FirmwareMajor", &s.firmware_major);
  r.Int(sc, "FirmwareMinor", &s.firmware_minor);
  if (auto v = r.Text(sc, "Serial")) s.serial = *v;
  r.Int(sc, "DataPromType", &s.data_prom_type);
  r.PmtWords(sc, "PmtVoltages", &s.pmt_words);
  r.Bytes(sc, "IdProm", &s.id_prom);
  if (auto f = r.File(sc, "IdPromFile")) s.id_prom = f;
  r.Bool(sc, "FpgaConfigured", &s.fpga_configured);
  r.Int(sc, "LinePeriodUs", &s.line_period_us);
  r.Int(sc, "LeadLines", &s.lead_lines);
  r.Int(sc, "StopLines", &s.stop_lines);
  r.Int(sc, "Status52", &s.status52);
  r.Int(sc, "AccessCostUs", &s.access_cost_us);
  r.Int(sc, "TransferTestWords", &s.transfer_test_words);

  const std::string mem = "Memory";
  r.Int(mem, "Type", &s.memory.type);
  r.Int(mem, "Rows", &s.memory.rows);
  r.Int(mem, "Columns", &s.memory.columns);
  r.Int(mem, "ModuleBanks", &s.memory.module_banks);
  r.Int(mem, "Width", &s.memory.width);
  r.Int(mem, "DeviceBanks", &s.memory.device_banks);
  r.Bytes(mem, "Spd", &s.memory.spd);

  r.Int("Light", "Dark", &s.dark);
  r.Int("Light", "Ambient", &s.ambient);
  r.Real("Light", "NominalHv", &s.nominal_hv);
  r.Real("HighVoltage", "DecayVoltsPerSecond", &s.hv_decay_volts_per_s);
  r.Real("HighVoltage", "Initial", &s.hv_initial);
  r.Real("Temperature", "Laser", &s.laser_temp);
  r.Real("Supplies", "V5", &s.supply_5v);
  r.Real("Supplies", "V3_3", &s.supply_3v3);
  r.Real("Supplies", "V24", &s.supply_24v);
  for (auto [key, address] : {std::pair{"A2", 0xA2}, std::pair{"A4", 0xA4}, std::pair{"AA", 0xAA}})
    if (auto f = r.File("DataProm", key)) s.data_proms[static_cast<uint8_t>(address)] = *f;

  for (int i = 1;; ++i) {
    auto p = r.PlateSection("Plate" + std::to_string(i));
    if (!p) break;
    s.plates.push_back(std::move(*p));
  }

  const std::string od = "OldData";
  const bool old = layout.HasSection(od) || layout.HasSection("OldPlate1");
  if (old) {
    OldData o;
    r.Int(od, "Start", &o.start);
    r.Int(od, "Pixels", &o.pixels);
    r.Int(od, "Threshold", &o.threshold);
    r.Int(od, "Lines", &o.lines);
    r.Int(od, "ReadOffset", &o.read_offset_words);
    for (int i = 1;; ++i) {
      auto p = r.PlateSection("OldPlate" + std::to_string(i));
      if (!p) break;
      o.plates.push_back(std::move(*p));
    }
    s.old_data = std::move(o);
  }

  const std::string f = "Faults";
  r.ByteList(f, "I2cAbsent", &s.faults.i2c_absent);
  r.CountList(f, "I2cNackFirst", &s.faults.i2c_nack_first, 1);
  r.Int(f, "BadChecksumReads", &s.faults.bad_checksum_reads);
  r.CountList(f, "FailRequests", &s.faults.fail_requests, -1);
  r.CountList(f, "ShortRequests", &s.faults.short_requests, -1);
  r.CountList(f, "ShortStandardRequests", &s.faults.short_standard_requests, -1);
  r.Int(f, "UnplugAfter", &s.faults.unplug_after);
  r.Int(f, "StallCode", &s.faults.stall_code);
  r.CountList(f, "TimeoutRequests", &s.faults.timeout_requests, -1);
  r.Bool(f, "FpgaReject", &s.faults.fpga_reject);
  r.Bool(f, "FpgaStatusStuck", &s.faults.fpga_status_stuck);
  r.Int(f, "IdPromWriteCycleMs", &s.faults.idprom_write_cycle_ms);

  if (!r.ok()) return std::nullopt;
  return s;
}

}  // namespace sim
