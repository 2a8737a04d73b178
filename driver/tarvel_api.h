#pragma once
// Exports of libTarvel.so and the records that cross them. All records are
// little-endian and owned by the caller. Only api/ and the library's users
// see this header; the layers below use the records alone.
#include <cstddef>
#include <cstdint>

#include "driver/config/tarvel_records.h"

#if defined(__GNUC__)
#define TARVEL_API extern "C" __attribute__((visibility("default")))
#else
#define TARVEL_API extern "C"
#endif

// ---- Exports ----

// The scan session: open in one scan mode, activate, poll while plates pass,
// fetch each image by name, deactivate, close.
TARVEL_API int Open_Scanner(int mode);
TARVEL_API int Close_Scanner(void);
TARVEL_API int Aktivate_Scanner(void);
TARVEL_API int Deaktivate_Scanner(void);
// The status word (bits 0-7 images pending, 8-15 plates, 16-23 slot outputs,
// 24 prescan line, 25 transport, 26 active, 27 collecting, 29-30 further
// status) or a negative error code.
TARVEL_API int Get_Status(void);
TARVEL_API int Get_LightStatus(void);
TARVEL_API int Get_ImageName(char* buffer);  // 256 characters
TARVEL_API int Get_Serialnumber(char* buffer);  // 32 characters
TARVEL_API int Set_Prescanmode(int samples);
TARVEL_API int Get_Prescanline(uint8_t* buffer);
TARVEL_API int Run_Beltdrive(unsigned code);
TARVEL_API int Set_ImageFilterMode(int on);
// The block is kept, not copied: the caller keeps it alive while images are made.
TARVEL_API int Set_ImageExtraHeader(int32_t length, const void* header);
TARVEL_API int HALTIC_Mode(int value);
// Service commands 0x1000..0x1012 on the open session: parameters from the
// input block, the answer in the output block and its length in *out_count
// (set to 0 first). -4 not open, -5 unknown command, -102 a block too short.
TARVEL_API int Ext_ScannerCTRL(int32_t command, const uint8_t* in, int32_t in_length, uint8_t* out, int32_t out_length,
                               int32_t* out_count);

// Stored images and their information files.
TARVEL_API int Get_ImageInfo(ImageInfo* info, const char* image_path);
TARVEL_API int Get_ImageExtraHeader(const char* image_path, uint8_t* buffer);
TARVEL_API int Read_DiskImage(uint16_t* pixels, const char* image_path);
TARVEL_API int Delete_Image(const char* image_path);
TARVEL_API int Get_FirstOldImageName(char* buffer);
TARVEL_API int Get_NextOldImageName(char* buffer);

// Image processing and configuration queries; they work in every session state.
TARVEL_API int Get_ImageValue(const uint16_t* pixels, int32_t width, int32_t height, ImageStats* stats);
TARVEL_API int Opt_ImageGreyscale(uint16_t* pixels, int32_t width, int32_t height, int32_t low_ppm, int32_t high_ppm,
                                  int32_t curve);
TARVEL_API int Invert_Image(uint16_t* pixels, int32_t width, int32_t height);
TARVEL_API int Filter_Image(int32_t filter, int32_t width, int32_t height, int32_t pitch_x_nm, int32_t pitch_y_nm,
                            uint16_t* pixels);
TARVEL_API int Get_ImageType(int32_t mode, char* buffer, uint32_t length);
TARVEL_API int Get_FilterType(int32_t mode);
TARVEL_API int Get_FilterName(int32_t filter, char* buffer, uint32_t length);
TARVEL_API int Get_DriverVersion(char* buffer);
// Ini file location (`Set_IniFileName` returns 1 when stored, 0 otherwise)
// and the scan modes offered for the connected scanner type.
TARVEL_API int Get_IniFileName(char* buffer);
TARVEL_API int Set_IniFileName(const char* path);
TARVEL_API int Get_Paramcount(void);
TARVEL_API int Get_Paramname(char* name, int mode);
// Kept for callers of earlier versions; they do nothing.
TARVEL_API int Convert_Image16_8(void);  // -2
TARVEL_API int Convert_Image8_16(void);  // -2
TARVEL_API int Write_DiskImageEx(void);  // -1
TARVEL_API int Check_Imo(void);  // -10002

// Normalization data. `Make_CalibFile` turns a flat-field image of the open
// session into a normalization file beside it (the name's last three
// characters replaced by "kor"): 0, -1, -4 (no session), -8, -1013 to -1018.
TARVEL_API int Make_CalibFile(const char* image_name);
// The normalization copy in the scanner's data PROM (USB only; -1007 over the
// parallel port, -4 without an open session): written from a normalization
// file, read back into one, cleared.
TARVEL_API int Write_NormalizationData(const char* path);
TARVEL_API int Read_NormalizationData(const char* path);
TARVEL_API int Clear_NormalizationData(void);

// Low-level USB access (stdcall on the original system). The ELF names are
// the decorated names without "@N": `_RegRead@4` is the symbol "_RegRead".
TARVEL_API int32_t TarvelInit_Interface(void) __asm__("_Init_Interface");
TARVEL_API int32_t TarvelFree_Interface(void) __asm__("_Free_Interface");
TARVEL_API int32_t TarvelInit_Firmware(int32_t check_first) __asm__("_Init_Firmware");
TARVEL_API int32_t TarvelGetFGPAStatus(uint8_t* buffer) __asm__("_GetFGPAStatus");
TARVEL_API int32_t TarvelRegRead(int32_t reg) __asm__("_RegRead");
TARVEL_API int32_t TarvelRegReadShort(int32_t reg) __asm__("_RegReadShort");
TARVEL_API int32_t TarvelRegReadShortInc(int32_t reg) __asm__("_RegReadShortInc");
TARVEL_API uint32_t TarvelRegReadLong(int32_t reg) __asm__("_RegReadLong");
TARVEL_API uint32_t TarvelRegReadLongInc(int32_t reg) __asm__("_RegReadLongInc");
TARVEL_API int32_t TarvelRegWrite(int32_t reg, int32_t value) __asm__("_RegWrite");
TARVEL_API int32_t TarvelRegWriteShort(int32_t reg, int32_t value) __asm__("_RegWriteShort");
TARVEL_API int32_t TarvelRegWriteShortInc(int32_t reg, int32_t value) __asm__("_RegWriteShortInc");
TARVEL_API int32_t TarvelRegWriteLong(int32_t reg, uint32_t value) __asm__("_RegWriteLong");
TARVEL_API int32_t TarvelRegWriteLongInc(int32_t reg, uint32_t value) __asm__("_RegWriteLongInc");
TARVEL_API int32_t TarvelRegWriteBlock(int32_t reg, const uint8_t* data, int32_t length) __asm__("_RegWriteBlock");
TARVEL_API int32_t TarvelReadBlock(void* buffer, int32_t length, int32_t* count) __asm__("_ReadBlock");
TARVEL_API int32_t TarvelClearReadBlock(void) __asm__("_ClearReadBlock");
TARVEL_API int32_t TarvelI2C_PROM_read(uint8_t* buffer, int32_t device, uint8_t first,
                                       uint8_t last) __asm__("_I2C_PROM_read");
TARVEL_API int32_t TarvelI2C_PROM_write(const uint8_t* data, int32_t device, uint8_t first,
                                        uint8_t last) __asm__("_I2C_PROM_write");
TARVEL_API int32_t TarvelI2C_LargePROMrd(int32_t device, int32_t address, uint8_t* buffer,
                                         int32_t* length) __asm__("_I2C_LargePROMrd");
TARVEL_API int32_t TarvelI2C_LargePROMwr(int32_t device, int32_t address, const uint8_t* data,
                                         int32_t* length) __asm__("_I2C_LargePROMwr");
TARVEL_API int32_t TarvelI2C_DACout(int32_t device, int32_t value) __asm__("_I2C_DACout");
TARVEL_API int32_t TarvelI2C_ADCread(int32_t device, int32_t channel) __asm__("_I2C_ADCread");
TARVEL_API int32_t TarvelI2C_TEMPinit(int32_t device, int32_t configuration) __asm__("_I2C_TEMPinit");
TARVEL_API int32_t TarvelI2C_TEMPread(int32_t device) __asm__("_I2C_TEMPread");
TARVEL_API uint32_t TarvelAnz_ScanLine(void) __asm__("_Anz_ScanLine");
TARVEL_API int32_t TarvelPentamotor_init(int32_t value) __asm__("_Pentamotor_init");
TARVEL_API uint32_t TarvelGetUsbTimeout(void) __asm__("_GetUsbTimeout");
TARVEL_API int32_t TarvelSetUsbTimeout(uint32_t ms) __asm__("_SetUsbTimeout");
TARVEL_API int32_t TarvelGetTarvelVersion(int16_t* first, int16_t* second, int16_t* library_api,
                                          int16_t* driver_api) __asm__("_GetTarvelVersion");
TARVEL_API int32_t TarvelGetScanStatus(ScanStatus* status) __asm__("_GetScanStatus");
TARVEL_API int32_t TarvelGetTarvelErrorText(int32_t code, char* buffer, int32_t length) __asm__("_GetTarvelErrorText");
TARVEL_API int32_t TarvelGetLastTarvelError(int32_t clear) __asm__("_GetLastTarvelError");
TARVEL_API int32_t TarvelSetTraceMask(int32_t mask) __asm__("_SetTraceMask");
