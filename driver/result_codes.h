#pragma once
// Result codes of the driver, by name. Results are 32-bit signed: 0 success,
// negative errors; -10000 and -10001 are warnings on paths that succeed.
// Several small codes are shared by operations with their own meaning of
// them; the aliases below name those meanings.

namespace tarvel {

constexpr int kOk = 0;

// ---- session, configuration and image files ----
// No disk space, no image names left, a file not openable or not created,
// nothing (more) found; also the ini read without an ini file.
constexpr int kErrFailed = -1;
constexpr int kErrNoIniFound = kErrFailed;
// Scan mode not found or not named; ini key missing or empty; image file not
// openable or not deletable; an operation that is not offered.
constexpr int kErrNotFound = -2;
constexpr int kErrFirmware = -3;  // FPGA configuration failed twice
constexpr int kErrNotOpen = -4;  // session not open (or, for light status, active)
constexpr int kErrFilterFailed = -4;  // the image filter failed
constexpr int kErrUnknownCommand = -5;  // service command not known
constexpr int kErrBusy = -6;  // already active, overlapping call, active
constexpr int kErrAlreadyOpen = -7;  // already open, or not allowed while open
constexpr int kErrNoMemoryCalib = -8;  // no memory for the normalization image

// ---- device ----
constexpr int kErrBufferUnreadable = -100;  // buffer memory EEPROM unreadable
constexpr int kErrOutOfMemory = -100;  // a buffer or table not allocated
constexpr int kErrUnknownBuffer = -101;  // buffer memory of unknown type
constexpr int kErrOutOfRange = -102;  // value out of range
constexpr int kErrInvalidArgument = -102;  // null or empty argument
constexpr int kErrChecksum = -200;  // block checksum wrong after every attempt
constexpr int kErrInterface = -1001;  // interface not supported or not openable
constexpr int kErrNoAnswer = -1001;  // the scanner stopped answering over its interface
constexpr int kErrFpgaNotConfigured = -1004;
constexpr int kErrFpgaStatus = -1005;  // FPGA status wrong before the download
constexpr int kErrI2cNoAck = -1007;  // I2C device did not acknowledge
constexpr int kErrNotUsb = -1007;  // operation needs the USB interface
constexpr int kErrIniMissing = -1008;
constexpr int kErrPlatePresent = -1009;  // plate in slot 1 or 2 before a service scan
constexpr int kErrLaserTemperature = -1010;  // laser above `LaserTempWarn`
constexpr int kErrNoPlate = -1011;  // no plate, or transport stopped, in a service scan
constexpr int kErrMemoryNotEmpty = -1012;  // scanner memory held old data at open
constexpr int kErrSerialNumber = -1013;  // serial number differs

// ---- normalization ----
constexpr int kErrCalibCoverage = -1014;  // image too narrow or too short
constexpr int kErrCalibTooDark = -1015;
constexpr int kErrCalibTooBright = -1016;
constexpr int kErrCalibPitch = -1017;  // pixel pitch outside 95000..105000 nm
constexpr int kErrCalibNotUniform = -1018;
constexpr int kErrScanSettingsChanged = -1019;

// ---- warnings and fixed results ----
constexpr int kWarnAmbientLight = -10000;
constexpr int kWarnImagesPending = -10001;  // existing images at open, not handed out at close
constexpr int kCheckImoResult = -10002;

// ---- low-level USB statuses (names as the status text table spells them) ----
constexpr int KPU_STATUS_SUCCESS = 0;
constexpr int KPU_STATUS_ERROR = -300;
constexpr int KPU_STATUS_INVALID_PARAMETER = -301;
constexpr int KPU_STATUS_INVALID_HANDLE = -302;
constexpr int KPU_STATUS_ALREADY_INITIALIZED = -303;
constexpr int KPU_STATUS_NOT_INITIALIZED = -304;
constexpr int KPU_STATUS_NO_DEVICES = -305;
constexpr int KPU_STATUS_NO_DATA = -306;
constexpr int KPU_STATUS_IN_USE = -307;
constexpr int KPU_STATUS_DEVICE_NOT_PRESENT = -308;
constexpr int KPU_STATUS_TIMEOUT = -309;
constexpr int KPU_STATUS_TRANSFER_ERROR = -310;
constexpr int KPU_STATUS_REJECTED = -311;
constexpr int KPU_STATUS_VERSION_MISMATCH = -312;
constexpr int KPU_STATUS_THREAD_NOT_STARTED = -313;
constexpr int KPU_STATUS_NOT_CONFIGERED = -314;
constexpr int KPU_STATUS_ALREADY_RUNNING = -315;
constexpr int KPU_STATUS_NOT_RUNNING = -316;
constexpr int KPU_STATUS_INITIALIZATION_ERROR = -317;
constexpr int KPU_STATUS_OPEN_DEVICES_PRESENT = -318;
constexpr int KPU_STATUS_INVALID_INDEX = -319;
constexpr int KPU_STATUS_NO_RESOURCES = -320;
constexpr int KPU_STATUS_INSUFFICIENT_BUFFER = -321;
constexpr int KPU_STATUS_USBIO_TIMEOUT = -322;
constexpr int KPU_STATUS_USBIO_ERROR = -323;
constexpr int KPU_STATUS_USBIO_VERSION_MISMATCH = -324;
constexpr int KPU_STATUS_USBIO_DEV_NOT_FOUND = -325;
constexpr int KPU_STATUS_USB_LEN_ERROR = -326;
constexpr int KPU_STATUS_FILE_OPEN = -400;
constexpr int KPU_STATUS_REG_OPEN = -402;
constexpr int KPU_STATUS_READ = -403;
constexpr int KPU_STATUS_WRITE = -404;
constexpr int KPU_STATUS_IHEX_ERROR = -406;
constexpr int KPU_STATUS_I2C_BUS_ERR = -500;
constexpr int KPU_STATUS_I2C_START = -501;
constexpr int KPU_STATUS_I2C_WRITE = -502;
constexpr int KPU_STATUS_I2C_READ = -503;
constexpr int KPU_STATUS_I2C_PROM_ADR = -504;
constexpr int KPU_STATUS_I2C_PROM_PROG = -506;
constexpr int KPU_STATUS_I2C_PROM_READ = -507;
constexpr int KPU_STATUS_USB_REQ_PARAM = -508;
constexpr int KPU_STATUS_USB_REQ_LEN = -509;
constexpr int KPU_STATUS_USB_REQ_EXECUTE = -510;
constexpr int KPU_STATUS_UNEXPECTED = -987;
constexpr int KPU_STATUS_FUNCTION_NOT_COMPLETED = -998;
constexpr int KPU_STATUS_FUNCTION_NOT_IMPLEMENTED = -999;
// The strict firmware reader's checksum failure; the text table has no row.
constexpr int kErrFirmwareChecksum = -407;

}  // namespace tarvel
