// Block and stretch transfers, the four resamplers, their processor variants and point
// sampling, and the nested samplers.
#include <gtest/gtest.h>

#include <random>

#include "graphics/Raster.h"
#include "graphics/RasterBlend.h"
#include "graphics/RasterResamplers.h"
#include "graphics/RasterSystem.h"
#include "RasterTestSupport.h"

using namespace qm;

namespace {

void FillRandom(TBitmap32& b, uint32_t seed, bool opaque = false)
{
    std::mt19937 rng(seed);
    for (int32_t i = 0; i < b.Width * b.Height; ++i)
        b.PixelData()[i] = opaque ? rng() | 0xFF000000 : rng();
}

std::vector<TColor32> Pixels(const TBitmap32& b)
{
    return {b.PixelData(), b.PixelData() + b.Width * b.Height};
}

// Every routine family: plain, MMX and 3DNow!. This processor runs the first two natively;
// the 3DNow! family's routines are written in SSE2, so binding it runs them too.
class Variants : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { bound = std::make_unique<qmtest::BoundFamily>(GetParam()); }
    void TearDown() override { bound.reset(); }
    TBindingFeatures Features() const { return FeaturesForFamily(GetParam()); }
    std::unique_ptr<qmtest::BoundFamily> bound;
};

struct AreaLog {
    explicit AreaLog(TBitmap32& b)
    {
        b.OnAreaChanged = [this](TObject*, const TRect& r, uint32_t) { areas.push_back(r); };
    }
    std::vector<TRect> areas;
};

} // namespace

TEST(Transfer, NilAndEmptyBitmaps)
{
    TBitmap32 a, b;
    a.SetSize(4, 4);
    try {
        BlockTransfer(nullptr, 0, 0, {0, 0, 4, 4}, &a, {0, 0, 4, 4}, dmOpaque);
        FAIL();
    } catch (const EBitmapException& e) {
        EXPECT_STREQ(e.what(), "Destination bitmap is nil");
    }
    try {
        StretchTransfer(&a, {0, 0, 4, 4}, {0, 0, 4, 4}, nullptr, {0, 0, 4, 4}, nullptr, dmOpaque);
        FAIL();
    } catch (const EBitmapException& e) {
        EXPECT_STREQ(e.what(), "Source bitmap is nil");
    }
    AreaLog log(a);
    BlockTransfer(&a, 0, 0, {0, 0, 4, 4}, &b, {0, 0, 4, 4}, dmOpaque);
    StretchTransfer(&a, {0, 0, 4, 4}, {0, 0, 4, 4}, &b, {0, 0, 2, 2}, b.Resampler(), dmOpaque);
    EXPECT_TRUE(log.areas.empty());
}

TEST(Transfer, BlockTransferClipsBothSides)
{
    TBitmap32 src, dst;
    src.SetSize(4, 4);
    FillRandom(src, 1);
    dst.SetSize(5, 5);
    dst.ClearTo(0);
    AreaLog log(dst);
    // Source rectangle reaching past the source's left and top, destination past its right.
    BlockTransfer(&dst, 3, 2, {0, 0, 100, 100}, &src, {-1, -1, 3, 3}, dmOpaque);
    ASSERT_EQ(log.areas.size(), 1u);
    EXPECT_EQ(log.areas[0], (TRect{3, 2, 7, 6}));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 4 && y >= 3; // source (0, 0) lands at (4, 3)
            EXPECT_EQ(dst.PixelAt(x, y), inside ? src.PixelAt(x - 4, y - 3) : 0u) << x << "," << y;
        }
    // Entirely outside: no pixel changes, the given area is still reported.
    BlockTransfer(&dst, -100, -100, {0, 0, 5, 5}, &src, {0, 0, 4, 4}, dmOpaque);
    BlockTransfer(&dst, 0, 0, {0, 0, 5, 5}, &src, {50, 50, 60, 60}, dmOpaque);
    EXPECT_EQ(log.areas.size(), 3u);
}

TEST(Transfer, StretchTransferChecksTheSourceRectangle)
{
    TBitmap32 src, dst;
    src.SetSize(16, 16);
    dst.SetSize(32, 32);
    AreaLog log(dst);
    try {
        StretchTransfer(&dst, {0, 0, 32, 32}, {0, 0, 32, 32}, &src, {0, 0, 17, 16}, src.Resampler(),
                        dmOpaque);
        FAIL();
    } catch (const ESrcInvalidException& e) {
        EXPECT_STREQ(e.what(), "Source rectangle is invalid");
    }
    EXPECT_THROW(
        StretchTransfer(&dst, {0, 0, 32, 32}, {0, 0, 32, 32}, &src, {-1, 0, 4, 4}, src.Resampler(), dmOpaque),
        ESrcInvalidException);
    StretchTransfer(&dst, {0, 0, 32, 32}, {0, 0, 32, 32}, &src, {5, 5, 5, 9}, src.Resampler(), dmOpaque);
    // A destination rectangle outside the destination: nothing, and no report.
    StretchTransfer(&dst, {40, 40, 80, 80}, {0, 0, 32, 32}, &src, {0, 0, 16, 16}, src.Resampler(), dmOpaque);
    EXPECT_TRUE(log.areas.empty());
    EXPECT_THROW(StretchNearest(dst, {0, 0, 8, 8}, {0, 0, 8, 8}, src, {0, 0, 16, 17}, dmOpaque, {}),
                 Exception);
}

TEST(Transfer, ZeroMasterAlphaBlendsNothing)
{
    TBitmap32 src, dst;
    src.SetSize(8, 8);
    FillRandom(src, 2);
    src.SetMasterAlpha(0);
    dst.SetSize(8, 8);
    dst.ClearTo(0xFF102030);
    AreaLog log(dst);
    StretchTransfer(&dst, {0, 0, 8, 8}, {0, 0, 8, 8}, &src, {0, 0, 4, 4}, src.Resampler(), dmBlend);
    BlockTransfer(&dst, 0, 0, {0, 0, 8, 8}, &src, {0, 0, 8, 8}, dmBlend);
    EXPECT_TRUE(log.areas.empty());
    EXPECT_EQ(dst.PixelAt(3, 3), 0xFF102030u);
}

TEST(Transfer, DrawModesOfTheBlock)
{
    TBitmap32 src, dst;
    src.SetSize(3, 1);
    src.PixelAt(0, 0) = 0x80FFFFFF;
    src.PixelAt(1, 0) = 0xFF00FF00;
    src.PixelAt(2, 0) = 0x00000000;
    dst.SetSize(3, 1);

    dst.ClearTo(0xFF000000);
    BlockTransfer(&dst, 0, 0, dst.BoundsRect(), &src, src.BoundsRect(), dmTransparent);
    EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{0x80FFFFFF, 0xFF00FF00, 0xFF000000}));

    dst.ClearTo(0xFF000000);
    BlockTransfer(&dst, 0, 0, dst.BoundsRect(), &src, src.BoundsRect(), dmBlend);
    EXPECT_EQ(dst.PixelAt(1, 0), 0xFF00FF00u);
    EXPECT_EQ(dst.PixelAt(2, 0), 0xFF000000u);
    EXPECT_NEAR(double(dst.PixelAt(0, 0) & 0xFF), 128.0, 1.0);

    int calls = 0;
    dst.ClearTo(0);
    BlockTransfer(&dst, 0, 0, dst.BoundsRect(), &src, src.BoundsRect(), dmCustom,
                  [&](TColor32 F, TColor32& B, TColor32 M) {
                      ++calls;
                      B = F ^ M;
                  });
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(dst.PixelAt(1, 0), 0xFF00FF00u ^ 255u);
    // dmCustom without a callback copies.
    dst.ClearTo(0);
    BlockTransfer(&dst, 0, 0, dst.BoundsRect(), &src, src.BoundsRect(), dmCustom);
    EXPECT_EQ(Pixels(dst), Pixels(src));
}

TEST_P(Variants, NearestDoublesColumnsAndRows)
{
    TBitmap32 src, dst;
    src.SetSize(2, 2);
    src.PixelAt(0, 0) = 1;
    src.PixelAt(1, 0) = 2;
    src.PixelAt(0, 1) = 3;
    src.PixelAt(1, 1) = 4;
    dst.SetSize(4, 4);
    for (TDrawMode mode : {dmOpaque, dmTransparent}) {
        dst.ClearTo(0);
        StretchTransfer(&dst, {0, 0, 4, 4}, {0, 0, 4, 4}, &src, {0, 0, 2, 2}, src.Resampler(), mode);
        EXPECT_EQ(Pixels(dst), (std::vector<TColor32>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
    }
    // Clipped to the right half only, the columns keep their positions.
    dst.ClearTo(0);
    StretchTransfer(&dst, {0, 0, 4, 4}, {2, 0, 4, 1}, &src, {0, 0, 2, 2}, src.Resampler(), dmOpaque);
    EXPECT_EQ(Pixels(dst)[2], 2u);
    EXPECT_EQ(Pixels(dst)[1], 0u);
    // A one-column destination takes the middle column.
    TBitmap32 thin, wide;
    wide.SetSize(5, 1);
    for (int x = 0; x < 5; ++x)
        wide.PixelAt(x, 0) = TColor32(x);
    thin.SetSize(1, 1);
    StretchNearest(thin, {0, 0, 1, 1}, {0, 0, 1, 1}, wide, {0, 0, 5, 1}, dmOpaque, {});
    EXPECT_EQ(thin.PixelAt(0, 0), 2u);
}

TEST_P(Variants, EqualSizesTakeTheBlockPath)
{
    TBitmap32 src;
    src.SetSize(16, 16);
    FillRandom(src, 5);
    for (const char* cls : {"TNearestResampler", "TLinearResampler", "TKernelResampler", "TDraftResampler"}) {
        src.SetResamplerClassName(cls);
        TBitmap32 a, b;
        a.SetSize(20, 20);
        FillRandom(a, 9, true);
        b.SetSize(20, 20);
        FillRandom(b, 9, true);
        StretchTransfer(&a, {2, 2, 18, 18}, {0, 0, 20, 20}, &src, {0, 0, 16, 16}, src.Resampler(), dmBlend);
        BlockTransfer(&b, 2, 2, {0, 0, 20, 20}, &src, {0, 0, 16, 16}, dmBlend);
        EXPECT_EQ(Pixels(a), Pixels(b)) << cls;
    }
}

TEST_P(Variants, LinearResamplerChoosesItsPath)
{
    TBitmap32 glyph;
    glyph.SetSize(16, 16);
    FillRandom(glyph, 11);
    glyph.SetResamplerClassName("TLinearResampler");
    const TLinearKernel kernel;
    struct Case {
        int32_t w, h;
        bool linear;
    };
    for (const Case c : {Case{12, 12, false}, Case{20, 20, true}, Case{20, 12, false}}) {
        const TRect dr{0, 0, c.w, c.h};
        TBitmap32 viaResampler, viaLinear, viaKernel;
        for (TBitmap32* b : {&viaResampler, &viaLinear, &viaKernel}) {
            b->SetSize(c.w, c.h);
            b->ClearTo(0);
        }
        StretchTransfer(&viaResampler, dr, dr, &glyph, glyph.BoundsRect(), glyph.Resampler(), dmOpaque);
        StretchLinear(viaLinear, dr, dr, glyph, glyph.BoundsRect(), dmOpaque, {});
        KernelResample(viaKernel, dr, dr, glyph, glyph.BoundsRect(), kernel, dmOpaque, {});
        ASSERT_NE(Pixels(viaLinear), Pixels(viaKernel)) << c.w << "x" << c.h;
        EXPECT_EQ(Pixels(viaResampler), c.linear ? Pixels(viaLinear) : Pixels(viaKernel))
            << c.w << "x" << c.h;
    }
}

TEST_P(Variants, BlockAverageMatchesThePlainSums)
{
    using namespace resample_variants;
    std::mt19937 rng(21);
    std::vector<TColor32> pixels(400 * 3);
    for (TColor32& p : pixels)
        p = rng();
    for (uint32_t w : {1u, 2u, 3u, 7u, 255u, 256u, 257u, 300u})
        for (uint32_t h : {1u, 2u, 3u}) {
            const TColor32 plain = BlockAverage_Plain(w, h, pixels.data(), 400 * 4);
            EXPECT_EQ(BlockAverage(w, h, pixels.data(), 400 * 4), plain) << w << "x" << h;
            EXPECT_EQ(BlockAverage_MMX(w, h, pixels.data(), 400 * 4), plain) << w << "x" << h;
            EXPECT_EQ(BlockAverage_3DNow(w, h, pixels.data(), 400 * 4), plain) << w << "x" << h;
        }
    const TColor32 four[] = {0xFF000000, 0xFF0000FF, 0x00FF0000, 0xFFFFFFFF};
    EXPECT_EQ(BlockAverage(2, 2, four, 8), 0xBF7F3F7Fu);
    EXPECT_EQ(BlockAverage(0, 2, four, 8), 0u);
}

TEST_P(Variants, BindingFollowsTheFamily)
{
    using namespace resample_variants;
    const TBindingFeatures f = Features();
    EXPECT_EQ(BlockAverage, f.ThreeDNow ? BlockAverage_3DNow : f.MMX ? BlockAverage_MMX : BlockAverage_Plain);
    EXPECT_EQ(Interpolate2x2, f.MMX || f.ThreeDNow ? Interpolate2x2_MMX : Interpolate2x2_Plain);
    EXPECT_EQ(BilinearInterpolator,
              f.MMX || f.ThreeDNow ? BilinearInterpolator_MMX : BilinearInterpolator_Plain);
}

TEST_P(Variants, Interpolate2x2Weights)
{
    const TColor32 row1[] = {0xFF204060, 0x00806040};
    const TColor32 row2[] = {0x10101010, 0xF0F0F0F0};
    const uint32_t full = 256 | 256 << 16, none = 0;
    const TColor32 first = Interpolate2x2(full, full, row1, row2);
    EXPECT_EQ(Interpolate2x2(none, none, row1, row2), 0xF0F0F0F0u);
    if (Features().MMX) {
        EXPECT_EQ(first, 0xFF204060u) << "a weight of 256 yields the first pixel exactly";
        // (b * 256 + (a - b) * 128) shr 8 per channel, no rounding term.
        const uint32_t half = 128 | 128 << 16;
        const TColor32 top = 0x7F505050; // channels (FF+00)/2, (20+80)/2, (40+60)/2, (60+40)/2
        const TColor32 bottom = 0x80808080;
        EXPECT_EQ(Interpolate2x2(half, full, row1, row2), top);
        EXPECT_EQ(Interpolate2x2(half, none, row1, row2), bottom);
    } else {
        EXPECT_EQ(first, CombineColors(CombineColors(row1[0], row1[1], 255),
                                       CombineColors(row2[0], row2[1], 255), 255));
    }
}

TEST_P(Variants, StretchLinearPathsAgree)
{
    // The opaque and blended loops inline the mix; the custom path calls the bound routine.
    TBitmap32 src;
    src.SetSize(7, 5);
    FillRandom(src, 31);
    TBitmap32 a, b;
    a.SetSize(23, 17);
    b.SetSize(23, 17);
    a.ClearTo(0);
    b.ClearTo(0);
    const TRect dr{1, 2, 22, 15};
    StretchLinear(a, dr, {0, 0, 23, 17}, src, {1, 0, 7, 5}, dmOpaque, {});
    StretchLinear(b, dr, {0, 0, 23, 17}, src, {1, 0, 7, 5}, dmCustom,
                  [](TColor32 F, TColor32& B, TColor32) { B = F; });
    EXPECT_EQ(Pixels(a), Pixels(b));
    src.SetMasterAlpha(200);
    FillRandom(a, 5, true);
    FillRandom(b, 5, true);
    StretchLinear(a, dr, {0, 0, 23, 17}, src, {1, 0, 7, 5}, dmBlend, {});
    StretchLinear(b, dr, {0, 0, 23, 17}, src, {1, 0, 7, 5}, dmCustom,
                  [](TColor32 F, TColor32& B, TColor32 M) { BlendColorIntoMasterByMode[cmBlend](F, B, M); });
    EXPECT_EQ(Pixels(a), Pixels(b));
    a.ClearTo(0);
    StretchLinear(a, dr, {0, 0, 23, 17}, src, {1, 0, 7, 5}, dmOpaque, {});
    // The right-most column and bottom row hit the last source pixel exactly.
    EXPECT_EQ(a.PixelAt(21, 14) & 0xFF000000, src.PixelAt(6, 4) & 0xFF000000);
}

TEST_P(Variants, UniformImagesStayUniformThroughEveryKernel)
{
    TBitmap32 src;
    src.SetSize(48, 48);
    src.ClearTo(0xC0806040);
    for (int i = 0; i < KernelList().Count(); ++i) {
        const auto* cls = static_cast<const TKernelClass*>(KernelList().Items(i));
        std::unique_ptr<TCustomKernel> kernel(cls->Create());
        for (int32_t size : {16, 61}) {
            TBitmap32 dst;
            dst.SetSize(size, size);
            dst.ClearTo(0);
            KernelResample(dst, dst.BoundsRect(), dst.BoundsRect(), src, src.BoundsRect(), *kernel, dmOpaque,
                           {});
            EXPECT_EQ(dst.PixelAt(0, 0), 0xC0806040u) << cls->ClassName << " " << size;
            EXPECT_EQ(dst.PixelAt(size / 2, size - 1), 0xC0806040u) << cls->ClassName << " " << size;
        }
    }
}

TEST_P(Variants, DraftAveragesBlocks)
{
    TBitmap32 src, dst;
    src.SetSize(4, 4);
    FillRandom(src, 41);
    src.SetResamplerClassName("TDraftResampler");
    dst.SetSize(2, 2);
    StretchTransfer(&dst, {0, 0, 2, 2}, {0, 0, 2, 2}, &src, {0, 0, 4, 4}, src.Resampler(), dmOpaque);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(dst.PixelAt(x, y),
                      resample_variants::BlockAverage_Plain(2, 2, src.PixelAddress(2 * x, 2 * y), 16));
    // Enlarging goes bilinear.
    TBitmap32 big, viaLinear;
    big.SetSize(9, 9);
    viaLinear.SetSize(9, 9);
    StretchTransfer(&big, {0, 0, 9, 9}, {0, 0, 9, 9}, &src, {0, 0, 4, 4}, src.Resampler(), dmOpaque);
    StretchLinear(viaLinear, {0, 0, 9, 9}, {0, 0, 9, 9}, src, {0, 0, 4, 4}, dmOpaque, {});
    EXPECT_EQ(Pixels(big), Pixels(viaLinear));
}

TEST(Stretch, MappingTables)
{
    const TBoxKernel box;
    const TLanczosKernel lanczos;
    for (const TCustomKernel* k :
         {static_cast<const TCustomKernel*>(&box), static_cast<const TCustomKernel*>(&lanczos)})
        for (auto [srcW, dstW] : {std::pair{48, 16}, {16, 12}, {16, 20}, {3, 100}, {100, 3}}) {
            const TMappingTable t = BuildMappingTable(0, dstW, 0, dstW, 10, 10 + srcW, *k);
            ASSERT_EQ(t.size(), size_t(dstW));
            for (const TCluster& c : t) {
                int sum = 0;
                for (const TPointRec& p : c) {
                    sum += p.Weight;
                    EXPECT_GE(p.Pos, 10);
                    EXPECT_LT(p.Pos, 10 + srcW);
                }
                EXPECT_EQ(sum, 256);
            }
        }
    // 48 -> 16 with the box kernel: every destination pixel averages three source pixels.
    const TMappingTable t = BuildMappingTable(0, 16, 0, 16, 0, 48, box);
    ASSERT_EQ(t[5].size(), 3u);
    EXPECT_EQ(t[5][0].Pos, 15);
    EXPECT_EQ(t[5][2].Pos, 17);
    EXPECT_TRUE(BuildMappingTable(0, 4, 0, 4, 3, 3, box).empty());
    const TMappingTable one = BuildMappingTable(0, 4, 1, 3, 7, 8, box);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[1], (TCluster{{7, 256}}));
}

TEST(Resamplers, RegistriesAndClassNames)
{
    const char* resamplers[] = {"TNearestResampler", "TLinearResampler", "TDraftResampler",
                                "TKernelResampler"};
    ASSERT_GE(ResamplerList().Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(ResamplerList().Items(i)->ClassName, resamplers[i]);
    const char* kernels[] = {"TBoxKernel",      "TLinearKernel",   "TCosineKernel",  "TSplineKernel",
                             "TCubicKernel",    "TMitchellKernel", "TLanczosKernel", "TGaussianKernel",
                             "TBlackmanKernel", "THannKernel",     "THammingKernel", "TSinshKernel",
                             "THermiteKernel"};
    ASSERT_GE(KernelList().Count(), 13);
    for (int i = 0; i < 13; ++i)
        EXPECT_STREQ(KernelList().Items(i)->ClassName, kernels[i]);

    TBitmap32 b;
    // A new resampler is installed, and announced, only once it is whole.
    std::vector<std::string> announced;
    b.OnChange = [&](TObject*) { announced.push_back(b.ResamplerClassName()); };
    for (const char* cls : resamplers)
        b.SetResamplerClassName(cls);
    b.SetResamplerClassName("TKernelResampler");
    b.SetResamplerClassName("tlinearresampler");
    EXPECT_EQ(announced, std::vector<std::string>(resamplers + 1, resamplers + 4));
    b.OnChange = nullptr;
    auto* kr = static_cast<TKernelResampler*>(b.Resampler());
    EXPECT_EQ(kr->KernelClassName(), "TBoxKernel");
    EXPECT_EQ(kr->TableSize(), 32);
    EXPECT_EQ(kr->KernelMode(), kmDynamic);
    EXPECT_EQ(kr->PixelAccessMode(), pamSafe);
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    const TCustomKernel* box = kr->Kernel();
    kr->SetKernelClassName("tlanczoskernel");
    kr->SetKernelClassName("TNoKernel");
    kr->SetKernelClassName("TBoxKernel");
    kr->SetKernelClassName("");
    EXPECT_EQ(kr->Kernel(), box);
    EXPECT_EQ(changes, 0);
    kr->SetKernelClassName("TLanczosKernel");
    EXPECT_EQ(kr->KernelClassName(), "TLanczosKernel");
    EXPECT_EQ(changes, 1);
    static_cast<TLanczosKernel*>(kr->Kernel())->SetWidth(2);
    EXPECT_EQ(changes, 2) << "kernel changes reach the bitmap";
    kr->SetTableSize(1);
    EXPECT_EQ(kr->TableSize(), 2);
    kr->SetTableSize(2);
    EXPECT_EQ(changes, 3);
}

TEST(Sampling, NearestAndLinearPointSampling)
{
    TBitmap32 b;
    b.SetSize(3, 3);
    for (int i = 0; i < 9; ++i)
        b.PixelData()[i] = TColor32(i) | 0xFF000000;
    b.SetOuterColor(0x01020304);
    auto* nearest = static_cast<TNearestResampler*>(b.Resampler());
    nearest->PrepareSampling();
    EXPECT_EQ(nearest->GetSampleInt(1, 2), 0xFF000007u);
    EXPECT_EQ(nearest->GetSampleInt(3, 0), 0x01020304u);
    EXPECT_EQ(nearest->GetSampleFixed(0x18000, 0x8000), 0xFF000001u) << "one half rounds down";
    EXPECT_EQ(nearest->GetSampleFloat(0.5f, 1.5f), 0xFF000006u) << "halves to even";
    nearest->SetPixelAccessMode(pamWrap);
    b.SetWrapMode(wmRepeat);
    EXPECT_EQ(nearest->GetSampleInt(4, -1), 0xFF000007u);
    EXPECT_TRUE(nearest->HasBounds());
    EXPECT_EQ(nearest->GetSampleBounds(), (TRect{0, 0, 3, 3}));

    b.ClearTo(0xFF404040);
    b.SetResamplerClassName("TLinearResampler");
    b.Resampler()->PrepareSampling();
    EXPECT_EQ(b.Resampler()->GetSampleFloat(0.25f, 1.75f), 0xFF404040u);
    EXPECT_EQ(b.Resampler()->GetSampleFloat(-1.0f, 0), 0x01020304u);
}

TEST(Sampling, KernelResamplerPointSamplingInEveryMode)
{
    TBitmap32 b;
    b.SetSize(8, 8);
    b.ClearTo(0xFF6080A0);
    b.SetOuterColor(0x11223344);
    b.SetResamplerClassName("TKernelResampler");
    auto* kr = static_cast<TKernelResampler*>(b.Resampler());
    kr->SetKernelClassName("TLinearKernel");
    for (TKernelMode mode : {kmDynamic, kmTableNearest, kmTableLinear}) {
        kr->SetKernelMode(mode);
        kr->PrepareSampling();
        const TColor32 c = kr->GetSampleFloat(3.3f, 4.6f);
        for (int shift : {0, 8, 16, 24})
            EXPECT_NEAR(double((c >> shift) & 0xFF), double((0xFF6080A0u >> shift) & 0xFF), 2.0) << mode;
        EXPECT_EQ(kr->GetSampleFloat(-3.0f, 2.0f), 0x11223344u);
        EXPECT_EQ(kr->GetSampleFloat(2.0f, 8.5f), 0x11223344u);
        kr->FinalizeSampling();
    }
    kr->SetPixelAccessMode(pamWrap);
    kr->SetKernelMode(kmDynamic);
    EXPECT_EQ(kr->GetSampleFloat(-3.0f, 20.0f), 0xFF6080A0u) << "sampling unprepared prepares itself";
    b.SetClipRect({9, 9, 10, 10});
    kr->PrepareSampling();
    EXPECT_EQ(kr->GetSampleFloat(1.0f, 1.0f), 0x11223344u) << "nothing to wrap onto";
}

namespace {

// Moves every point by (+1, +2) going forward, so sampling at (x, y) reads (x - 1, y - 2).
class TShift : public TTransformation {
public:
    void ReverseTransformFloat(float DstX, float DstY, float& SrcX, float& SrcY) override
    {
        SrcX = DstX - 1;
        SrcY = DstY - 2;
    }
    int prepared = 0;
    void PrepareTransform() override { ++prepared; }
};

} // namespace

TEST(Sampling, NestedSamplersAndTransformers)
{
    TNestedSampler empty;
    try {
        empty.PrepareSampling();
        FAIL();
    } catch (const ENestedException& e) {
        EXPECT_STREQ(e.what(), "Nested sampler is nil");
    }
    EXPECT_THROW(empty.HasBounds(), ENestedException);
    EXPECT_THROW(empty.GetSampleInt(0, 0), ENestedException);

    TBitmap32 b;
    b.SetSize(4, 4);
    for (int i = 0; i < 16; ++i)
        b.PixelData()[i] = TColor32(i);
    TNestedSampler nested(b.Resampler());
    nested.PrepareSampling();
    EXPECT_EQ(nested.GetSampleInt(2, 1), 6u);
    EXPECT_EQ(nested.GetSampleBounds(), (TRect{0, 0, 4, 4}));

    TShift shift;
    TNearestTransformer t(b.Resampler(), &shift);
    t.PrepareSampling();
    EXPECT_EQ(shift.prepared, 1);
    EXPECT_EQ(t.GetSampleInt(3, 3), 2u + 1u * 4u);
    EXPECT_EQ(t.GetSampleFloat(2.5f, 2.5f), 2u) << "(1.5, 0.5) rounds to (2, 0)";
    EXPECT_EQ(t.GetSampleFixed(0x2FFFF, 0x30000), 1u + 1u * 4u) << "fixed positions are floored";
    EXPECT_TRUE(t.HasBounds());
    TTransformer plain(b.Resampler(), &shift);
    EXPECT_EQ(plain.GetSampleInt(2, 2), 1u);
    TTransformer missing(b.Resampler(), nullptr);
    EXPECT_THROW(missing.GetSampleInt(0, 0), ENestedException);
}

INSTANTIATE_TEST_SUITE_P(Families, Variants, ::testing::Values("plain", "mmx", "3dnow"),
                         [](const auto& info) {
                             return std::string(info.param) == "3dnow" ? "ThreeDNow"
                                                                       : std::string(info.param);
                         });
