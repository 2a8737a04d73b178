#pragma once
// The user-interface library's 32-bit colour values as the settings keep
// them: 0x00BBGGRR for a fixed colour, 0x80000000 + index for a system colour.
#include <QColor>
#include <cstdint>

namespace viewer {

using ColorValue = uint32_t;

// System colour indices the viewer uses.
inline constexpr ColorValue kClWindowText = 0x80000008;
inline constexpr ColorValue kClBtnFace = 0x8000000F;
inline constexpr ColorValue kClBtnShadow = 0x80000010;
inline constexpr ColorValue kClGrayText = 0x80000011;
inline constexpr ColorValue kClBtnText = 0x80000012;
inline constexpr ColorValue kClBtnHighlight = 0x80000014;
inline constexpr ColorValue kClWindow = 0x80000005;

// The colour shown for a value; system colours from the application palette
// (unknown indices as the window text colour).
QColor ResolveColor(ColorValue value);
// The fixed colour value of a shown colour.
ColorValue ValueOfColor(const QColor& color);

}  // namespace viewer
