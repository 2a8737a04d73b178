#include "driver/acquisition/acquisition_settings.h"

namespace tarvel {

AcquisitionSettings SettingsFromScanMode(const ScanMode& m, int scanner_type) {
  AcquisitionSettings s;
  s.anz_pix = m.Anz_Pix;
  s.threshold = m.ADC_SW;
  s.adc_ovs = m.ADC_Ovs;
  s.binning = m.binning;
  s.sample_factor = m.sample_factor;
  s.pitch_x = m.pitch_x;
  s.pitch_y = m.pitch_y;
  s.max_pix_val = m.MaxPixVal;
  s.pix_scale = m.PixScale;
  s.min_area = m.min_image_pixels;
  s.max_aspect_ratio = m.max_aspect_ratio;
  s.plate_type = m.plate_type;
  s.mirror = m.mirror != 0;
  s.deflash = m.deflash;
  s.rotation = m.rotation;
  s.scale = m.scale;
  s.mwindow_x = m.mwindow_x;
  s.mwindow_y = m.mwindow_y;
  for (int k = 0; k < 7; ++k) s.slot_bounds[k] = m.slot_boundaries[k];
  s.mode_number = m.mode;
  s.filter_number = m.filter;
  s.filter_name = m.filter_name;
  s.filter = m.filter_params;
  s.scanner_type = scanner_type;
  return s;
}

AcquisitionSettings Normalized(AcquisitionSettings s) {
  if (s.anz_pix < 1) s.anz_pix = 1;
  if (s.binning != 2) s.binning = 1;
  if (s.sample_factor != 2 || s.binning != 2) s.sample_factor = 1;
  return s;
}

}  // namespace tarvel
