#include "graphics/RasterLowLevel.h"

#include <climits>
#include <cstring>

#include "graphics/RasterSystem.h"
#include "graphics/RasterVariants.h"
#include "platform/Exception.h"

namespace qm {

namespace {

[[noreturn]] void RaiseDivByZero()
{
    throw EDivByZero("Division by zero");
}

} // namespace

void FillLongword_Plain(void* Dest, int32_t Count, uint32_t Value)
{
    uint32_t* p = static_cast<uint32_t*>(Dest);
    for (int32_t i = 0; i < Count; ++i)
        p[i] = Value;
}

void FillLongword_MMX(void* Dest, int32_t Count, uint32_t Value)
{
    // A negative count is nothing to do, as in the plain variant: read as unsigned it would
    // run over the whole address space.
    if (Count < 1)
        return;
    uint32_t* p = static_cast<uint32_t*>(Dest);
    uint32_t n = uint32_t(Count);
    if (n & 1) {
        *p++ = Value;
        --n;
    }
    const uint64_t pair = uint64_t(Value) << 32 | Value;
    for (; n; n -= 2, p += 2)
        std::memcpy(p, &pair, 8);
}

TFillLongword FillLongword = FillLongword_Plain;

void MoveLongword(const void* Source, void* Dest, int32_t Count)
{
    if (Source == Dest || Count < 1)
        return;
    std::memmove(Dest, Source, size_t(Count) * 4);
}

void SwapInt(int32_t& A, int32_t& B)
{
    const int32_t t = A;
    A = B;
    B = t;
}

void TestSwapInt(int32_t& A, int32_t& B)
{
    if (A > B)
        SwapInt(A, B);
}

bool TestClip(int32_t& A, int32_t& B, int32_t Start, int32_t Stop)
{
    TestSwapInt(A, B);
    if (A < Start)
        A = Start;
    if (B >= Stop)
        B = Stop - 1;
    return B >= A;
}

int32_t DivMod(int32_t Dividend, int32_t Divisor, int32_t& Remainder)
{
    if (Divisor == 0)
        RaiseDivByZero();
    if (Dividend == INT32_MIN && Divisor == -1)
        throw EDivByZero("Division overflow");
    Remainder = Dividend % Divisor;
    return Dividend / Divisor;
}

// Both folds work in 64 bits, so that no range and no value overflows the arithmetic; an
// empty range (Hi = Lo - 1) is the division error it has always been.
int32_t WrapValue(int32_t Value, int32_t Lo, int32_t Hi)
{
    const int64_t n = int64_t(Hi) - Lo + 1;
    if (n == 0)
        RaiseDivByZero();
    if (Value >= Lo)
        return int32_t(Lo + (int64_t(Value) - Lo) % n);
    return int32_t(Hi + (int64_t(Value) - Hi) % n);
}

int32_t MirrorValue(int32_t Value, int32_t Lo, int32_t Hi)
{
    const int64_t n = int64_t(Hi) - Lo + 1;
    if (n == 0)
        RaiseDivByZero();
    const int64_t base = Value >= Lo ? Lo : Hi;
    const int64_t q = (int64_t(Value) - base) / n;
    const int64_t v = (int64_t(Value) - base) % n + base;
    return int32_t((q & 1) ? int64_t(Lo) + Hi - v : v);
}

const TWrapProc WrapProcByMode[3] = {Constrain, WrapValue, MirrorValue};

namespace {

void BindLowLevel(const TBindingFeatures& features)
{
    if (!features.MMX) {
        FillLongword = FillLongword_Plain;
        return;
    }
    const variants::TWideRoutines* wide = variants::WidestRoutines();
    FillLongword = wide ? wide->FillLongword : FillLongword_MMX;
}

const bool LowLevelUnitReady = (RegisterRoutineBinder(BindLowLevel), true);

} // namespace

} // namespace qm
