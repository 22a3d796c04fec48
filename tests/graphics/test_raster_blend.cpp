// Colour arithmetic and blending: the example values of each family, each single-pixel form
// against its per-channel formula over every (F, B, w) byte triple, and every wide line
// variant against the portable formula at every span length with guard pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "RasterTestSupport.h"
#include "graphics/RasterBlend.h"
#include "graphics/RasterSystem.h"
#include "graphics/RasterVariants.h"

using namespace qm;

namespace {

// Per-channel references written from the definitions, not from the two-lane code.
uint32_t PlainTerm(uint32_t c, uint32_t w)
{
    return (c * w + 128) >> 8;
}

uint32_t MmxChannel(uint32_t f, uint32_t b, uint32_t w)
{
    return uint16_t(b * 256 + uint16_t((f - b) * w) + 128) >> 8;
}

// Distinct channels so that a mix-up between channels shows.
TColor32 Pixel(uint32_t a, uint32_t c)
{
    return a << 24 | c << 16 | (c ^ 0x5A) << 8 | (255 - c);
}

uint32_t Channel(TColor32 c, int i)
{
    return (c >> (8 * i)) & 255;
}

} // namespace

class FamilyTest : public ::testing::TestWithParam<const char*> {
protected:
    bool mmx() const { return std::string(GetParam()) == "mmx"; }
    qmtest::BoundFamily bound{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Both, FamilyTest, ::testing::ValuesIn(qmtest::kFamilies), qmtest::FamilyName);

TEST_P(FamilyTest, BlendExamples)
{
    EXPECT_EQ(MMXActive, mmx());
    EXPECT_EQ(BlendColors(0x80FF0000, 0xFF0000FF), mmx() ? 0xC0800080u : 0xBF80007Fu);
    EXPECT_EQ(BlendColors(0x01FFFFFF, 0xFF000000), mmx() ? 0xFE010101u : 0xFD010101u);
    EXPECT_EQ(BlendColors(0xFFFFFFFF, 0xFF000000), mmx() ? 0xFFFEFEFEu : 0xFFFFFFFFu);
    EXPECT_EQ(BlendColorsMaster(0xFFFF0000, 0xFF0000FF, 208), mmx() ? 0xFFCF0030u : 0x00CF002Fu);
    EXPECT_EQ(BlendColorsByMode[cmBlend], BlendColors);
    EXPECT_EQ(BlendColorLineByMode[cmBlend], BlendColorLine);
    EXPECT_EQ(BlendColorIntoByMode[cmMerge], &MergeColorInto);
    EXPECT_EQ(AlphaWeightTable != nullptr, mmx());
    if (mmx()) {
        EXPECT_EQ(*AlphaBias, 0x0080008000800080ull);
    }
}

TEST_P(FamilyTest, IntoFormsKeepOrCopyAtTheAlphaExtremes)
{
    TColor32 b = 0x12345678;
    BlendColorInto(0x00FFFFFF, b);
    EXPECT_EQ(b, 0x12345678u);
    BlendColorInto(0xFFABCDEF, b);
    EXPECT_EQ(b, 0xFFABCDEFu);
    BlendColorIntoMaster(0x00FFFFFF, b, 255);
    EXPECT_EQ(b, 0xFFABCDEFu);
    BlendColorIntoMaster(0xFF000000, b, 0); // weight 0 leaves B
    EXPECT_EQ(b, 0xFFABCDEFu);
    CombineColorInto(0x11111111, b, 0);
    EXPECT_EQ(b, 0xFFABCDEFu);
    CombineColorInto(0x11111111, b, 255);
    EXPECT_EQ(b, 0x11111111u);
    EXPECT_EQ(CombineColors(0x11223344, 0x55667788, 0), 0x55667788u);
}

TEST_P(FamilyTest, LinesTreatEachPixelLikeTheIntoForm)
{
    std::mt19937 rng(7);
    std::vector<TColor32> src(40), dst(41), expect;
    for (auto& p : src)
        p = rng();
    src[3] &= 0x00FFFFFF; // transparent
    src[4] |= 0xFF000000; // opaque
    for (auto& p : dst)
        p = rng();
    for (TColor32 m : {0u, 1u, 128u, 255u}) {
        expect = dst;
        for (size_t i = 0; i < src.size(); ++i)
            BlendColorIntoMaster(src[i], expect[i], m);
        std::vector<TColor32> got = dst;
        BlendColorLineMaster(src.data(), got.data(), int32_t(src.size()), m);
        if (!mmx()) {
            EXPECT_EQ(got, expect) << "M " << m;
        } else { // the MMX line takes (Fa + 1) * M where the pixel form takes (M + 1) * Fa
            for (size_t i = 0; i < src.size(); ++i) {
                const uint32_t w = ((Channel(src[i], 3) + 1) * m) >> 8;
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(Channel(got[i], c), w == 0
                                                      ? Channel(dst[i], c)
                                                      : MmxChannel(Channel(src[i], c), Channel(dst[i], c), w))
                        << "M " << m << " pixel " << i;
            }
        }
        EXPECT_EQ(got.back(), dst.back());
    }
    expect = dst;
    for (size_t i = 0; i < src.size(); ++i)
        BlendColorInto(src[i], expect[i]);
    std::vector<TColor32> got = dst;
    BlendColorLine(src.data(), got.data(), int32_t(src.size()));
    EXPECT_EQ(got, expect);
    got = dst;
    BlendColorLine(src.data(), got.data(), 0);
    BlendColorLine(src.data(), got.data(), -5);
    CombineColorLine(src.data(), got.data(), -5, 100);
    EXPECT_EQ(got, dst);
    CombineColorLine(src.data(), got.data(), 10, 255);
    EXPECT_TRUE(std::equal(src.begin(), src.begin() + 10, got.begin()));
    EXPECT_EQ(got[10], dst[10]);
}

TEST_P(FamilyTest, MasterLineWeightDiffersFromThePixelForm)
{
    // Fa 10, M 250: the line's (11 * 250) shr 8 = 10, the pixel form's (251 * 10) shr 8 = 9.
    const TColor32 src = 0x0AFF0000, dst = 0xFF0000FF;
    TColor32 line = dst, pixel = dst;
    BlendColorLineMaster(&src, &line, 1, 250);
    BlendColorIntoMaster(src, pixel, 250);
    const uint32_t w = mmx() ? 10 : 9;
    EXPECT_EQ(Channel(line, 2), mmx() ? MmxChannel(255, 0, w) : PlainTerm(255, w));
    EXPECT_EQ(Channel(pixel, 2), mmx() ? MmxChannel(255, 0, 9) : PlainTerm(255, 9));
}

TEST(BlendBinding, ExtendedMmxRoutinesNeedBothFeatures)
{
    const TBindingFeatures saved = BindingFeatures();
    // MMX without the extended instructions: the average keeps the plain rounding (down)
    // while the MMX blends are bound.
    RebindRasterRoutines({true, false, false});
    EXPECT_EQ(AverageColors(0x01030000, 0x02000000), 0x01010000u);
    EXPECT_EQ(BlendColors(0x80FF0000, 0xFF0000FF), 0xC0800080u);
    EXPECT_TRUE(MMXActive);
    // The extended flag alone binds nothing of the MMX family.
    RebindRasterRoutines({false, true, false});
    EXPECT_EQ(AverageColors(0x01030000, 0x02000000), 0x01010000u);
    EXPECT_EQ(BlendColors(0x80FF0000, 0xFF0000FF), 0xBF80007Fu);
    EXPECT_FALSE(MMXActive);
    EXPECT_EQ(AlphaWeightTable, nullptr);
    RebindRasterRoutines({true, true, false});
    EXPECT_EQ(AverageColors(0x01030000, 0x02000000), 0x02020000u);
    RebindRasterRoutines(saved);
}

TEST_P(FamilyTest, MergeExamples)
{
    EXPECT_EQ(MergeColors(0x00FFFFFF, 0xFF123456), 0xFF123456u);
    EXPECT_EQ(MergeColors(0x80ABCDEF, 0x00123456), 0x80ABCDEFu);
    EXPECT_EQ(MergeColors(0xFFABCDEF, 0x80123456), 0xFFABCDEFu);
    // An opaque background: the bound blend with the alpha forced to 255.
    EXPECT_EQ(MergeColors(0x80FF0000, 0x7F0000FF) >> 24, 0xBFu); // 128 + 127 - 64
    EXPECT_EQ(MergeColors(0x80FF0000, 0xFF0000FF), BlendColors(0x80FF0000, 0xFF0000FF) | 0xFF000000u);
    // Half over half: alpha 128 + 128 - 64 = 192; red 255 over 0 comes out at two thirds.
    EXPECT_EQ(MergeColors(0x80FF0000, 0x800000FF), 0xC0AA0055u);
    EXPECT_EQ(MergeColorsMaster(0xFFFF0000, 0x800000FF, 128), MergeColors(0x80FF0000, 0x800000FF));
    EXPECT_EQ(MergeColorsMaster(0xFFFF0000, 0x800000FF, 1000), 0xFFFF0000u); // read as 255
}

TEST(BlendTables, EdgeEntries)
{
    EXPECT_EQ(AlphaDivTable[1][2], 254); // 510 keeps its low 8 bits
    EXPECT_EQ(AlphaDivTable[2][1], 128); // 127.5 to even
    EXPECT_EQ(AlphaDivTable[0][200], 0);
    EXPECT_EQ(AlphaDivTable[255][255], 255);
    EXPECT_EQ(AlphaDivTable[6][1], 42);  // 42.5 to even
    EXPECT_EQ(AlphaDivTable[10][1], 26); // 25.5 to even
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            ASSERT_EQ(AlphaMulTable[a][b], int(a * b / 255.0 + 0.5)) << a << "," << b;
            ASSERT_EQ(AlphaMulTable[a][b], AlphaMulTable[b][a]);
        }
}

TEST_P(FamilyTest, Arithmetic)
{
    EXPECT_EQ(AddColors(0x80F01000, 0x90201001), 0xFFFF2001u);
    EXPECT_EQ(SubtractColors(0x80F01000, 0x90201001), 0x00D00000u);
    EXPECT_EQ(DivideColors(0x00800000, 0x10400000), 0xFF80FFFFu); // zero channels give 255
    EXPECT_EQ(ModulateColors(0xFF800000, 0x80800000), 0x7F400000u);
    EXPECT_EQ(MaxColors(0x10F00080, 0x2000FF01), 0x20F0FF80u);
    EXPECT_EQ(MinColors(0x10F00080, 0x2000FF01), 0x10000001u);
    EXPECT_EQ(DifferenceColors(0x10F00080, 0x2000FF01), 0x10F0FF7Fu);
    EXPECT_EQ(ExclusionColors(0xFF80FF00, 0xFF80FF00), 0x02800200u);
    EXPECT_EQ(AverageColors(0x01030000, 0x02000000), mmx() ? 0x02020000u : 0x01010000u);
    EXPECT_EQ(ScaleColor(0xFF804020, 128), 0x7F402010u);
    EXPECT_EQ(ScaleColor(0xFF804020, 1024), 0xFFFFFF80u); // beyond 255: the plain clamp in both
    EXPECT_EQ(LightenColor32(0x80102030, -32), 0x80000010u);
    EXPECT_EQ(LightenColor32(0x80F0F0F0, 32), 0x80FFFFFFu);
    EXPECT_EQ(LightenColor32(0x80F0F0F0, INT32_MAX), 0x80FFFFFFu);
}

// Every pair of channel values: the families agree where they should and differ only where
// the table says they do.
TEST(BlendArithmetic, FamiliesOverEveryChannelPair)
{
    using namespace qm;
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b) {
            const TColor32 c1 = a * 0x01010101u, c2 = b * 0x01010101u;
            ASSERT_EQ(blend_plain::ExclusionColors(c1, c2), blend_mmx::ExclusionColors(c1, c2))
                << a << "," << b;
            ASSERT_EQ(blend_plain::AverageColors(c1, c2), ((a + b) >> 1) * 0x01010101u);
            ASSERT_EQ(blend_mmx::AverageColors(c1, c2), ((a + b + 1) >> 1) * 0x01010101u);
            ASSERT_EQ(blend_plain::ScaleColor(c1, b), ((a * b) >> 8) * 0x01010101u);
        }
}

// Exhaustive over (F channel, B channel, weight): 16.7 million triples per routine.
TEST(BlendExhaustive, SinglePixelFormsMatchTheirChannelFormula)
{
    qmtest::BoundFamily bound("mmx"); // MMX ScaleColor reads the weight table
    for (uint32_t w = 0; w < 256; ++w)
        for (uint32_t f = 0; f < 256; ++f)
            for (uint32_t b = 0; b < 256; ++b) {
                const TColor32 F = Pixel(w, f), B = Pixel(255 - w, b);
                const TColor32 pm = blend_plain::BlendColors(F, B), mm = blend_mmx::BlendColors(F, B);
                const TColor32 pc = blend_plain::CombineColors(F, B, w),
                               mc = blend_mmx::CombineColors(F, B, w);
                for (int i = 0; i < 4; ++i) {
                    const uint32_t fc = Channel(F, i), bc = Channel(B, i);
                    const uint32_t mix = MmxChannel(fc, bc, w);
                    const uint32_t plain = w == 0     ? bc
                                           : w == 255 ? fc
                                                      : PlainTerm(fc, w) + PlainTerm(bc, 255 - w);
                    ASSERT_EQ(Channel(pm, i), plain) << w << " " << f << " " << b << " ch " << i;
                    ASSERT_EQ(Channel(pc, i), plain) << w << " " << f << " " << b << " ch " << i;
                    ASSERT_EQ(Channel(mm, i), mix) << w << " " << f << " " << b << " ch " << i;
                    ASSERT_EQ(Channel(mc, i), mix) << w << " " << f << " " << b << " ch " << i;
                }
            }
}

// The master forms over every (F, B, M) with a fixed alpha per M (the weight runs through
// every value 0..255 as M does for an opaque F).
TEST(BlendExhaustive, MasterFormsMatchTheirChannelFormula)
{
    for (uint32_t m = 0; m < 256; ++m)
        for (uint32_t f = 0; f < 256; ++f)
            for (uint32_t b = 0; b < 256; ++b) {
                const uint32_t fa = ((m * 7 + f) & 255) | 1;
                const TColor32 F = Pixel(fa, f), B = Pixel(b ^ 0x33, b);
                const uint32_t w = ((m + 1) * fa) >> 8;
                const TColor32 p = blend_plain::BlendColorsMaster(F, B, m),
                               x = blend_mmx::BlendColorsMaster(F, B, m);
                if (w == 0) {
                    ASSERT_EQ(p, B);
                    ASSERT_EQ(x, B);
                    continue;
                }
                ASSERT_EQ(p >> 24, 0u);
                for (int i = 0; i < 4; ++i) {
                    const uint32_t fc = Channel(F, i), bc = Channel(B, i);
                    if (i < 3) {
                        ASSERT_EQ(Channel(p, i), PlainTerm(fc, w) + PlainTerm(bc, 255 - w))
                            << m << " " << f << " " << b;
                    }
                    ASSERT_EQ(Channel(x, i), MmxChannel(fc, bc, w)) << m << " " << f << " " << b;
                }
            }
}

namespace {

std::vector<const variants::TWideRoutines*> RunnableWideTables()
{
    std::vector<const variants::TWideRoutines*> tables;
    for (auto* t : {variants::Sse2Routines(), variants::Avx2Routines()})
        if (variants::ProcessorRuns(t))
            tables.push_back(t);
    return tables;
}

constexpr int kGuard = 9;
constexpr TColor32 kGuardValue = 0xDEADBEEF;

// Source pixels that reach the special cases: transparent and opaque runs and single ones.
std::vector<TColor32> RandomPixels(std::mt19937& rng, size_t n)
{
    std::vector<TColor32> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = rng();
        switch (rng() % 6) {
        case 0:
            v[i] &= 0x00FFFFFF;
            break;
        case 1:
            v[i] |= 0xFF000000;
            break;
        default:
            break;
        }
    }
    if (n >= 16 && rng() % 2) // a whole transparent or opaque block
        for (size_t i = 0; i < 8; ++i)
            v[i] = rng() % 2 ? v[i] & 0x00FFFFFF : v[i] | 0xFF000000;
    return v;
}

} // namespace

TEST(BlendWideVariants, MatchThePortableFormulaAtEverySpanLength)
{
    const auto tables = RunnableWideTables();
    ASSERT_FALSE(tables.empty()); // every x86-64 processor runs SSE2
    std::mt19937 rng(2024);
    for (const auto* t : tables)
        for (int len = 1; len <= 64; ++len)
            for (int offset = 0; offset < 3; ++offset) // unaligned starts too
                for (int round = 0; round < 4; ++round) {
                    SCOPED_TRACE(std::string(t->Name) + " len " + std::to_string(len) + " offset " +
                                 std::to_string(offset));
                    const auto src = RandomPixels(rng, size_t(len + offset));
                    std::vector<TColor32> dst(size_t(len + offset + kGuard));
                    for (auto& p : dst)
                        p = rng();
                    std::fill(dst.end() - kGuard, dst.end(), kGuardValue);
                    const TColor32 m = rng() % 256, w = 1 + rng() % 254;

                    auto expect = dst, got = dst;
                    variants::BlendColorLine_MMXPortable(src.data() + offset, expect.data() + offset, len);
                    t->BlendColorLine(src.data() + offset, got.data() + offset, len);
                    ASSERT_EQ(got, expect);

                    expect = got = dst;
                    variants::BlendColorLineMaster_MMXPortable(src.data() + offset, expect.data() + offset,
                                                               len, m);
                    t->BlendColorLineMaster(src.data() + offset, got.data() + offset, len, m);
                    ASSERT_EQ(got, expect) << "M " << m;

                    expect = got = dst;
                    variants::CombineColorLine_MMXPortable(src.data() + offset, expect.data() + offset, len,
                                                           w);
                    t->CombineColorLine(src.data() + offset, got.data() + offset, len, w);
                    ASSERT_EQ(got, expect) << "W " << w;

                    got = dst;
                    t->FillLongword(got.data() + offset, len, 0x01020304);
                    for (int i = 0; i < int(got.size()); ++i)
                        ASSERT_EQ(got[size_t(i)],
                                  i >= offset && i < offset + len ? 0x01020304u : dst[size_t(i)])
                            << i;
                }
}

TEST(BlendWideVariants, PortableLineIsThePixelFormulaAndOverlapKeepsPixelOrder)
{
    std::mt19937 rng(5);
    const auto src = RandomPixels(rng, 64);
    std::vector<TColor32> dst(64), expect;
    for (auto& p : dst)
        p = rng();
    expect = dst;
    for (size_t i = 0; i < 64; ++i)
        blend_mmx::BlendColorInto(src[i], expect[i]);
    auto got = dst;
    variants::BlendColorLine_MMXPortable(src.data(), got.data(), 64);
    EXPECT_EQ(got, expect);

    // A destination one pixel ahead of its source within the same line.
    for (const auto* t : RunnableWideTables()) {
        std::vector<TColor32> a = RandomPixels(rng, 40), b = a;
        variants::BlendColorLine_MMXPortable(a.data(), a.data() + 1, 39);
        t->BlendColorLine(b.data(), b.data() + 1, 39);
        EXPECT_EQ(a, b) << t->Name;
    }
}
