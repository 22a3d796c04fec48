// Processor tests and binding, the low-level integer and memory routines, fixed point, the
// performance timer and the theme service.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "RasterTestSupport.h"
#include "graphics/RasterBlend.h"
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterMath.h"
#include "graphics/RasterSystem.h"
#include "graphics/RasterVariants.h"
#include "platform/Exception.h"

using namespace qm;

namespace {

TCpuidReport Report(uint32_t family, uint32_t edx1, uint32_t maxExt, uint32_t edxExt)
{
    TCpuidReport r;
    r.HasCPUID = true;
    r.Leaf1Eax = family << 8;
    r.Leaf1Edx = edx1;
    r.MaxExtendedLeaf = maxExt;
    r.Extended1Edx = edxExt;
    return r;
}

} // namespace

TEST(RasterSystem, InstructionSetRules)
{
    // Extended MMX through the SSE bit, with no extended leaves at all.
    const TCpuidReport sseOnly = Report(6, 0x02800000, 0x00000002, 0);
    EXPECT_TRUE(HasInstructionSet(isEMMX, sseOnly));
    EXPECT_TRUE(HasInstructionSet(isMMX, sseOnly));
    EXPECT_FALSE(HasInstructionSet(is3DNow, sseOnly));
    // 3DNow! needs leaf $80000001: a highest leaf of $80000000 hides the bit.
    EXPECT_FALSE(HasInstructionSet(is3DNow, Report(6, 0x00800000, 0x80000000, 0xC0400000)));
    const TCpuidReport amd = Report(6, 0x00800000, 0x80000001, 0xC0400000);
    EXPECT_TRUE(HasInstructionSet(is3DNow, amd));
    EXPECT_TRUE(HasInstructionSet(is3DNowExt, amd));
    EXPECT_TRUE(HasInstructionSet(isEMMX, amd));
    EXPECT_FALSE(HasInstructionSet(isStreamingSIMD, amd));
    // Family below 5, or no CPUID: nothing.
    EXPECT_FALSE(HasInstructionSet(isMMX, Report(4, 0xFFFFFFFF, 0x80000001, 0xFFFFFFFF)));
    TCpuidReport none = amd;
    none.HasCPUID = false;
    EXPECT_FALSE(HasInstructionSet(isMMX, none));
    EXPECT_FALSE(HasExtendedCPUID(none));
}

TEST(RasterSystem, ThisProcessorAndTheFamilyOverride)
{
#if defined(__x86_64__)
    EXPECT_TRUE(HasCPUID());
    EXPECT_TRUE(HasMMX());
    EXPECT_TRUE(HasEMMX());
#endif
    const TBindingFeatures plain = FeaturesForFamily("plain");
    EXPECT_FALSE(plain.MMX || plain.EMMX || plain.ThreeDNow);
    const TBindingFeatures mmx = FeaturesForFamily("mmx");
    EXPECT_TRUE(mmx.MMX && mmx.EMMX);
    EXPECT_EQ(FeaturesForFamily("").MMX, HasMMX());
    {
        qmtest::BoundFamily bound("plain");
        EXPECT_EQ(FillLongword, &FillLongword_Plain);
        EXPECT_FALSE(MMXActive);
        EXPECT_EQ(AlphaWeightTable, nullptr);
    }
    {
        qmtest::BoundFamily bound("mmx");
        const variants::TWideRoutines* wide = variants::WidestRoutines();
        EXPECT_EQ(FillLongword, wide ? wide->FillLongword : &FillLongword_MMX);
        EXPECT_TRUE(MMXActive);
        ClearMMXState();
    }
}

namespace {

class FakeCounterTimer : public TPerfTimer {
public:
    int64_t now = 0;
    int64_t freq = 10000000;

protected:
    int64_t QueryCounter() override { return now; }
    int64_t QueryFrequency() override { return freq; }
};

} // namespace

TEST(RasterSystem, PerfTimerRoundsHalvesToEven)
{
    FakeCounterTimer t;
    t.now = 1000;
    t.Start();
    t.now = 1015; // 1.5 microseconds
    EXPECT_EQ(t.ReadMicroseconds(), 2);
    EXPECT_EQ(t.StopCount, 1015);
    EXPECT_EQ(t.Frequency, 10000000);
    t.now = 1025; // 2.5
    EXPECT_EQ(t.ReadMicroseconds(), 2);
    t.now = 1036; // 3.6
    EXPECT_EQ(t.ReadMicroseconds(), 4);
}

TEST(RasterSystem, NoThemeLibraryLeavesThemesOff)
{
    TThemeNexus& nexus = GlobalThemeNexus();
    EXPECT_EQ(nexus.WndProc(TThemeNexus::WM_THEMECHANGED, 0, 0), 0);
    EXPECT_FALSE(UseThemes);
    EXPECT_EQ(ScrollBarTheme, 0u);
    EXPECT_EQ(GlobalsTheme, 0u);
}

TEST(RasterLowLevel, FillLongwordVariantsStoreExactlyCountWords)
{
    std::vector<TFillLongword> fills = {FillLongword_Plain, FillLongword_MMX};
    for (auto* t : {variants::Sse2Routines(), variants::Avx2Routines()})
        if (variants::ProcessorRuns(t))
            fills.push_back(t->FillLongword);
    for (TFillLongword fill : fills)
        for (int32_t count : {-3, 0, 1, 2, 3, 17, 100}) {
            std::vector<uint32_t> buf(110, 7);
            fill(buf.data() + 1, count, 0xA5A5A5A5);
            for (int i = 0; i < 110; ++i)
                ASSERT_EQ(buf[size_t(i)], i >= 1 && i <= count ? 0xA5A5A5A5u : 7u)
                    << "count " << count << " at " << i;
        }
}

TEST(RasterLowLevel, MoveAndSwap)
{
    std::vector<uint32_t> v = {1, 2, 3, 4, 5, 6};
    MoveLongword(v.data() + 2, v.data(), 4); // destination below source
    EXPECT_EQ(v, (std::vector<uint32_t>{3, 4, 5, 6, 5, 6}));
    MoveLongword(v.data(), v.data() + 1, -1);
    EXPECT_EQ(v[1], 4u);
    int32_t a = 5, b = 2;
    TestSwapInt(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 5);
    TestSwapInt(a, b);
    EXPECT_EQ(a, 2);
    SwapInt(a, b);
    EXPECT_EQ(a, 5);
}

TEST(RasterLowLevel, TestClipExamples)
{
    int32_t a = 5, b = 2;
    EXPECT_TRUE(TestClip(a, b, 0, 4));
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 3);
    a = 7, b = 9;
    EXPECT_FALSE(TestClip(a, b, 0, 5));
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 4);
    a = -10, b = 10;
    EXPECT_TRUE(TestClip(a, b, 0, 5));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 4);
}

TEST(RasterLowLevel, ConstrainWrapMirror)
{
    EXPECT_EQ(Constrain(-4, 0, 9), 0);
    EXPECT_EQ(Constrain(12, 0, 9), 9);
    EXPECT_EQ(Constrain(5, 8, 3), 3); // Lo > Hi gives Hi
    EXPECT_EQ(WrapValue(-1, 0, 9), 9);
    EXPECT_EQ(WrapValue(10, 0, 9), 0);
    EXPECT_EQ(MirrorValue(-1, 0, 9), 0);
    EXPECT_EQ(MirrorValue(10, 0, 9), 9);
    EXPECT_EQ(MirrorValue(12, 0, 9), 7);
    // The reflected sequence around a range that does not start at 0.
    const int32_t expect[] = {4, 3, 3, 4, 5, 5, 4, 3, 3, 4};
    for (int v = 1; v <= 10; ++v)
        EXPECT_EQ(MirrorValue(v, 3, 5), expect[v - 1]) << v;
    for (int v = -50; v <= 50; ++v) {
        const int w = WrapValue(v, -3, 4);
        EXPECT_TRUE(w >= -3 && w <= 4);
        EXPECT_EQ(((w - v) % 8 + 8) % 8, 0) << v;
    }
    EXPECT_EQ(WrapProcByMode[wmClamp](20, 0, 9), 9);
    EXPECT_EQ(WrapProcByMode[wmRepeat](20, 0, 9), 0);
    EXPECT_EQ(WrapProcByMode[wmMirror](20, 0, 9), 0);
    // Full-range arguments do not overflow.
    EXPECT_EQ(WrapValue(INT32_MAX, INT32_MIN, INT32_MAX), INT32_MAX);
    // INT32_MIN - 9 = -214748365 * 10 - 7: wrapped 9 - 7 = 2; the odd quotient reflects it to 7.
    EXPECT_EQ(WrapValue(INT32_MIN, 0, 9), 2);
    EXPECT_EQ(MirrorValue(INT32_MIN, 0, 9), 7);
    EXPECT_EQ(MirrorValue(INT32_MAX, INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_THROW(WrapValue(3, 5, 4), EDivByZero);
    EXPECT_THROW(MirrorValue(3, 5, 4), EDivByZero);
}

TEST(RasterLowLevel, DivModTruncates)
{
    int32_t r = 0;
    EXPECT_EQ(DivMod(-7, 2, r), -3);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(DivMod(7, -2, r), -3);
    EXPECT_EQ(r, 1);
    EXPECT_THROW(DivMod(1, 0, r), EDivByZero);
    EXPECT_THROW(DivMod(INT32_MIN, -1, r), EDivByZero);
}

TEST(RasterMath, FixedPoint)
{
    EXPECT_EQ(FixedRound(0x00018000), 1);
    EXPECT_EQ(FixedRound(0x00028000), 2);
    EXPECT_EQ(FixedRound(0x00028001), 3);
    EXPECT_EQ(FixedRound(-0x8000), -1);
    EXPECT_EQ(FixedCeil(0x00010001), 2);
    EXPECT_EQ(FixedCeil(0x00010000), 1);
    EXPECT_EQ(FixedCeil(INT32_MAX), 32768);
    EXPECT_EQ(FixedFloor(-1), -1);
    EXPECT_EQ(FixedFloor(0x0001FFFF), 1);
    EXPECT_EQ(FixedDiv(3 * FixedOne, 2 * FixedOne), 0x18000);
    EXPECT_EQ(FixedDiv(-FixedOne, 3 * FixedOne), -0x5555);
    EXPECT_THROW(FixedDiv(1, 0), EDivByZero);
    EXPECT_THROW(FixedDiv(0x40000000, 1), EDivByZero);
    EXPECT_EQ(FixedFromFloat(1.5f), 0x18000);
    EXPECT_EQ(FixedFromFloat(0.5f / 65536), 0); // half to even
    EXPECT_EQ(FixedFromFloat(1.5f / 65536), 2);
    EXPECT_EQ(FixedFromFloat(1e20f), INT32_MAX);
}
