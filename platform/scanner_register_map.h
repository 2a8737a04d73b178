#pragma once
#include <cstdint>

// The scanner's register and request map, the one both the driver and the
// simulated scanner use: the FPGA's registers, the control codes of the
// parallel-port kernel driver, the vendor requests of the scanner's USB
// firmware and its scan-data endpoint.

// The FPGA's registers (decimal numbers, the same over every interface); a
// 16-bit value spans two registers, low byte first.
namespace platform::reg {

constexpr int kMemoryData = 0;  // block reads of the scanner memory (address set to 0)
constexpr int kRun = 4;  // W: 1 running, 0 stopped
constexpr int kActivate = 5;  // W: 0 as the last step of activation; 1 writes the transfer-test words
constexpr int kReadPointer = 8;  // R/W 32: read pointer of the scanner memory
constexpr int kLineCounterLow = 16;  // R: line counter, low byte
constexpr int kLineCounterMiddle = 17;  // R
constexpr int kLineCounterHigh = 18;  // R
constexpr int kBlockChecksum = 32;  // R 16: sum of the last block's words; W 8: 0 before a block
constexpr int kMemorySizeQuarter = 48;  // W: memory size in MiB / 4
constexpr int kMemorySizeHalf = 49;  // W: memory size in MiB / 2
constexpr int kMemorySizeLess2 = 50;  // W: memory size in MiB - 2
constexpr int kWordsWaiting = 51;  // R 32: 32-bit words waiting in the scanner memory
constexpr int kFurtherStatus = 52;  // R: further status byte
constexpr int kReadMark = 55;  // W 8: mark the read position; R 32: the marked position
constexpr int kRamConfig = 56;  // W: RAM configuration code
constexpr int kI2cBus = 128;  // R/W: I2C lines
constexpr int kIdPromWriteEnable = 129;  // W: 10 while writing the ID PROM, else 0
constexpr int kClockShift = 130;  // W: bit 0 data, bit 1 shift clock, bit 2 load
constexpr int kSlotOutputs = 144;  // R/W: slot output pattern
constexpr int kStepperPeriodLow = 160;  // W: stepper period - 1 (16 bits)
constexpr int kStepperPeriodHigh = 161;
constexpr int kOutletSteps = 162;  // W: steps to the outlet / 2048
constexpr int kMotorMode = 163;  // W: motor mode code
constexpr int kSlots = 164;  // W: active slot mask; R: bits 0-3 plate sensors
constexpr int kInletSteps = 166;  // W: steps to the inlet / 2048
constexpr int kLaser = 176;  // R/W: bits 0-3 power - 1, 4-5 laser mode, 6-7 run mode
constexpr int kCollectStartLow = 192;  // W: start of data collection - 5 (16 bits)
constexpr int kCollectStartHigh = 193;
constexpr int kPixelsLow = 194;  // W: pixels per line (16 bits)
constexpr int kPixelsHigh = 195;
constexpr int kTestLineTrigger = 196;  // W: 1 captures one test line into the emptied memory
constexpr int kSamplesPerPixel = 208;  // R/W: samples per pixel - 1 (bits 0-4)
constexpr int kAdcOffsetLow = 210;  // W: converter offset (16 bits)
constexpr int kAdcOffsetHigh = 211;
constexpr int kThresholdLow = 224;  // W: pixel threshold (16 bits)
constexpr int kThresholdHigh = 225;
constexpr int kSamplePitch = 226;  // W: sample pitch code
constexpr int kSampleSum = 228;  // R 16: converter sum of the current pixel
constexpr int kHighVoltage = 240;  // R/W: bit 3 high voltage on, bit 7 reset
constexpr int kStatus = 248;  // R/W: bit 0 transport running, bit 3 event (write 8)
constexpr int kDisconnect = 255;  // W: 0x40 twice at a parallel-port disconnect

// Bits.
constexpr int kHighVoltageOn = 0x08;  // of kHighVoltage
constexpr int kResetPulse = 0x80;  // of kHighVoltage
constexpr int kTransportRunning = 0x01;  // of kStatus
constexpr int kEventWaiting = 0x08;  // of kStatus; written to acknowledge
constexpr int kLaserModeBits = 0x30;  // of kLaser
constexpr int kRunModeBits = 0xC0;  // of kLaser

}  // namespace platform::reg

// Control codes of the parallel-port kernel driver, device "\\.\TARVEL"
// (0x222000 + 4n): the requests the EPP transport sends and the simulated
// port answers.
namespace platform::parport {

constexpr uint32_t kIoPortInfo = 0x222000;
constexpr uint32_t kIoConnect = 0x222004;
constexpr uint32_t kIoDisconnect = 0x222008;
constexpr uint32_t kIoPortConfig = 0x22200C;
constexpr uint32_t kIoSetPortConfig = 0x222014;
constexpr uint32_t kIoStatus = 0x222020;  // the FPGA status word
constexpr uint32_t kIoFpgaBegin = 0x222024;  // starts an FPGA configuration, answers the status word
constexpr uint32_t kIoFpgaDownload = 0x222028;
constexpr uint32_t kIoSetAddress = 0x222030;
constexpr uint32_t kIoRead8 = 0x222034;
constexpr uint32_t kIoRead16 = 0x222038;  // with address 0 latched and no input: a block of the memory
constexpr uint32_t kIoRead32 = 0x22203C;
constexpr uint32_t kIoWrite8 = 0x222040;
constexpr uint32_t kIoWrite16 = 0x222044;
constexpr uint32_t kIoWrite32 = 0x222048;
constexpr uint32_t kIoRead8At = 0x22204C;  // as kIoRead8
constexpr uint32_t kIoWriteAt = 0x222050;  // u32 register, u8 value (record of 8 bytes)

}  // namespace platform::parport

// The scanner's USB firmware: its vendor requests (the requests the USB
// transport sends and the simulated scanner answers) and the bulk IN
// endpoint that carries the scan-data stream.
namespace platform::usb {

enum VendorRequest : uint8_t {
  kReqPromRead = 1,
  kReqPromWrite = 2,
  kReqAdc = 3,
  kReqDac = 4,
  kReqTempRead = 5,
  kReqTempSetup = 6,
  kReqRegRead = 7,
  kReqRegWrite = 8,
  kReqLineCount = 9,
  kReqPolygon = 10,
  kReqScanStatus = 11,
  kReqVersion = 12,
  kReqFpgaStatus = 13,
  kReqFpgaPiece = 14,
  kReqFirmwareData = 16,
  kReqFirmwareStart = 17,
  kReqDeviceError = 18,
};

constexpr uint8_t kScanDataEndpoint = 0x82;

}  // namespace platform::usb
