#pragma once
// Memory routines on 32-bit words and the integer helpers of the raster library: clipping of
// spans, clamping, and the two ways of folding a coordinate back into a range.
#include <cstdint>

#include "graphics/RasterTypes.h"

namespace qm {

// Stores Value into Count consecutive 32-bit words from Dest; nothing when Count < 1.
// Bound at start-up to the plain or the MMX-family variant.
using TFillLongword = void (*)(void* Dest, int32_t Count, uint32_t Value);
extern TFillLongword FillLongword;
void FillLongword_Plain(void* Dest, int32_t Count, uint32_t Value);
void FillLongword_MMX(void* Dest, int32_t Count, uint32_t Value);

// Copies Count words from Source to Dest; nothing when the addresses are equal or Count < 1.
// Overlapping ranges are copied as if through a buffer.
void MoveLongword(const void* Source, void* Dest, int32_t Count);

void SwapInt(int32_t& A, int32_t& B);
// Exchanges A and B when A > B, so that afterwards A <= B.
void TestSwapInt(int32_t& A, int32_t& B);
// Orders A and B, clips them to Start..Stop-1 and tells whether anything is left (B >= A).
bool TestClip(int32_t& A, int32_t& B, int32_t Start, int32_t Stop);

// min(max(Value, Lo), Hi); with Lo > Hi the result is Hi.
inline int32_t Constrain(int32_t Value, int32_t Lo, int32_t Hi)
{
    if (Value < Lo)
        Value = Lo;
    return Value > Hi ? Hi : Value;
}

// Truncating quotient; Remainder takes the dividend's sign. Divisor 0 raises EDivByZero, as
// does the one quotient that does not fit (the lowest integer divided by -1).
int32_t DivMod(int32_t Dividend, int32_t Divisor, int32_t& Remainder);

// Folds Value into Lo..Hi by repeating the range. Hi = Lo - 1 (an empty range) raises
// EDivByZero.
int32_t WrapValue(int32_t Value, int32_t Lo, int32_t Hi);
// Folds Value into Lo..Hi by reflecting the range: ... 1 0 | 0 1 ... Hi | Hi ... 1 0 | 0 ...
// Hi = Lo - 1 raises EDivByZero.
int32_t MirrorValue(int32_t Value, int32_t Lo, int32_t Hi);

using TWrapProc = int32_t (*)(int32_t Value, int32_t Lo, int32_t Hi);
// Indexed by TWrapMode: clamp, repeat, mirror.
extern const TWrapProc WrapProcByMode[3];

} // namespace qm
