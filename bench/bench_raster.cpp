// Blending and filling throughput of the raster core: the bound BlendColorLine against
// pixman's OVER operator on the same 1,024 x 1,024 pixels, each line variant on its own, and
// FillLongword against memset over 4 MB.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "graphics/RasterBlend.h"
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterVariants.h"

#ifdef QM_HAVE_PIXMAN
#include <pixman.h>
#endif

using namespace qm;

namespace {

constexpr int kSide = 1024;

// Random alpha per pixel; colour channels not above the alpha, so the same pixels are valid
// premultiplied input for pixman too.
struct Images {
    std::vector<TColor32> src, dst;
    Images() : src(size_t(kSide) * kSide), dst(size_t(kSide) * kSide)
    {
        std::mt19937 rng(99);
        for (auto& p : src) {
            const uint32_t a = rng() & 255;
            const uint32_t r = a ? rng() % (a + 1) : 0, g = a ? rng() % (a + 1) : 0,
                           b = a ? rng() % (a + 1) : 0;
            p = a << 24 | r << 16 | g << 8 | b;
        }
        for (auto& p : dst)
            p = rng() | 0xFF000000u;
    }
};

Images& Data()
{
    static Images images;
    return images;
}

void RunLines(benchmark::State& state, TBlendLine line)
{
    Images& im = Data();
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y)
            line(&im.src[size_t(y) * kSide], &im.dst[size_t(y) * kSide], kSide);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_BlendColorLine_Bound(benchmark::State& state)
{
    RunLines(state, BlendColorLine);
}
BENCHMARK(BM_BlendColorLine_Bound)->Unit(benchmark::kMillisecond);

void BM_BlendColorLine_Plain(benchmark::State& state)
{
    RunLines(state, blend_plain::BlendColorLine);
}
BENCHMARK(BM_BlendColorLine_Plain)->Unit(benchmark::kMillisecond);

void BM_BlendColorLine_MMXPortable(benchmark::State& state)
{
    RunLines(state, variants::BlendColorLine_MMXPortable);
}
BENCHMARK(BM_BlendColorLine_MMXPortable)->Unit(benchmark::kMillisecond);

void BM_BlendColorLine_SSE2(benchmark::State& state)
{
    const auto* t = variants::Sse2Routines();
    if (!variants::ProcessorRuns(t))
        return state.SkipWithError("SSE2 not available");
    RunLines(state, t->BlendColorLine);
}
BENCHMARK(BM_BlendColorLine_SSE2)->Unit(benchmark::kMillisecond);

void BM_BlendColorLine_AVX2(benchmark::State& state)
{
    const auto* t = variants::Avx2Routines();
    if (!variants::ProcessorRuns(t))
        return state.SkipWithError("AVX2 not available");
    RunLines(state, t->BlendColorLine);
}
BENCHMARK(BM_BlendColorLine_AVX2)->Unit(benchmark::kMillisecond);

#ifdef QM_HAVE_PIXMAN
void BM_PixmanOver(benchmark::State& state)
{
    Images& im = Data();
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, im.src.data(), kSide * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, im.dst.data(), kSide * 4);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kSide, kSide);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PixmanOver)->Unit(benchmark::kMillisecond);
#endif

constexpr size_t kFillWords = 1024 * 1024; // 4 MB

void BM_FillLongword_Bound(benchmark::State& state)
{
    std::vector<uint32_t> buf(kFillWords);
    uint32_t v = 0;
    for (auto _ : state) {
        FillLongword(buf.data(), int32_t(kFillWords), ++v);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kFillWords) * 4);
}
BENCHMARK(BM_FillLongword_Bound);

void BM_Memset(benchmark::State& state)
{
    std::vector<uint32_t> buf(kFillWords);
    int v = 0;
    for (auto _ : state) {
        std::memset(buf.data(), ++v & 255, kFillWords * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kFillWords) * 4);
}
BENCHMARK(BM_Memset);

} // namespace

BENCHMARK_MAIN();
