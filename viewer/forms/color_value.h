#pragma once
// The user-interface library's 32-bit colour values as the forms keep them:
// 0x00BBGGRR for a plain colour, 0x80000000 + index for a system colour.
// Values travel unchanged, so a colour nobody picked keeps its system form.
#include <QColor>
#include <cstdint>

namespace viewer {

constexpr uint32_t kSystemColorFlag = 0x80000000u;

// The colour a value shows now (system colours from the application palette).
QColor ColorOfValue(uint32_t value);
// The plain colour value of a colour picked by the user.
uint32_t ValueOfColor(const QColor& color);

}  // namespace viewer
