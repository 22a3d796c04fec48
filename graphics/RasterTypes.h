#pragma once
// The small value types that every unit of the raster library shares: the 32-bit colour,
// 16.16 fixed-point numbers, points and rectangles in the three number forms, and the
// enumerations that index the per-mode routine tables.
#include <cstdint>
#include <vector>

#include "platform/GraphicsTypes.h"

namespace qm {

// $AARRGGBB; in memory the bytes lie blue, green, red, alpha. Not premultiplied.
using TColor32 = uint32_t;
using PColor32 = TColor32*;
using TArrayOfColor32 = std::vector<TColor32>;
using TArrayOfInteger = std::vector<int32_t>;

// Signed 16.16 fixed point: 1.0 = $10000.
using TFixed = int32_t;
constexpr TFixed FixedOne = 0x10000;
constexpr TFixed FixedHalf = 0x8000;
// 1/65536 in single precision, the factor of every fixed-to-float conversion.
constexpr float FixedToFloat = 1.0f / 65536.0f;

struct TFixedPoint {
    TFixed X = 0;
    TFixed Y = 0;
    friend bool operator==(const TFixedPoint&, const TFixedPoint&) = default;
};

struct TFloatPoint {
    float X = 0;
    float Y = 0;
    friend bool operator==(const TFloatPoint&, const TFloatPoint&) = default;
};

struct TFloatRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

// Which blend routine a bitmap's blended drawing uses; indexes the ...ByMode tables.
enum TCombineMode : uint8_t { cmBlend, cmMerge };

// How out-of-range coordinates are folded back; indexes WrapProcByMode.
enum TWrapMode : uint8_t { wmClamp, wmRepeat, wmMirror };

} // namespace qm
