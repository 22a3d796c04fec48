#pragma once
// 16.16 fixed-point arithmetic.
#include <cstdint>

#include "graphics/RasterTypes.h"

namespace qm {

// The integer part, rounded down.
inline int32_t FixedFloor(TFixed A)
{
    return A >> 16;
}

// Rounded up. Worked in 64 bits so that values near the top of the range do not wrap.
inline int32_t FixedCeil(TFixed A)
{
    return int32_t((int64_t(A) + 0xFFFF) >> 16);
}

// Rounded to nearest; a fraction of exactly one half rounds down.
inline int32_t FixedRound(TFixed A)
{
    return int32_t((int64_t(A) + 0x7FFF) >> 16);
}

// A / B in 16.16. B = 0, or a quotient outside the 32-bit range, raises EDivByZero.
TFixed FixedDiv(TFixed A, TFixed B);

// round(Value x 65536), halves to even; values beyond the range saturate, NaN gives 0.
TFixed FixedFromFloat(float Value);

} // namespace qm
