#pragma once
#include <cstdint>

// Control codes of the parallel-port kernel driver (0x222000 + 4n): the
// requests the EPP transport sends and the simulated port answers.
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
constexpr uint32_t kIoRead16 = 0x222038;
constexpr uint32_t kIoRead32 = 0x22203C;
constexpr uint32_t kIoWrite8 = 0x222040;
constexpr uint32_t kIoWrite16 = 0x222044;
constexpr uint32_t kIoWrite32 = 0x222048;
constexpr uint32_t kIoRead8At = 0x22204C;  // as kIoRead8
constexpr uint32_t kIoWriteAt = 0x222050;  // u32 register, u8 value (record of 8 bytes)

}  // namespace platform::parport
